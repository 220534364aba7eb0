// CORVGrid: the column grid. It keeps a table of column descriptions and the data row
// count, answers the engine's storage operations from them, and adds the header and
// row-header mouse hooks. The mouse handlers that call those hooks live here.
#pragma once
#include "grid/grid_core.h"

#include <vector>

// One data column.
struct CORVColumn {
    std::wstring title;
    UINT headerFormat = 0;
    UINT cellFormat = 0;
    UINT frameType = 0;
    UINT frameState = 0;
    UINT imageKind = 0;
    int imageWidth = 0, imageHeight = 0;
    BYTE ctrlKind = 1; // 1 edit, 2 check box, 3 drop-down; else none
    DWORD ctrlStyle = WS_CHILD;
    UINT ctrlId = 0;
    std::unique_ptr<CORVCellCtrl> ctrl; // made on first use, shared by every row
    int width = 0;
};

class CORVGrid : public CORVGridCore {
public:
    bool hasFocus = false;
    std::vector<CORVColumn> columns;
    CRect trackLine;
    int rowCount = 0;

    CORVGrid() = default;

    // --- the engine's operations, answered from the column table ---
    int GetRowCount() override;
    int GetColumnCount(int headerRow) override;
    int GetColumnWidth(int col, int headerRow) override;
    void SetColumnWidth(int col, int headerRow, int width) override;
    // A new control for the column, owned by the caller until SetCellCtrl stores it.
    // Null when the column already has one (GetCellCtrl reaches it) or has no control kind.
    std::unique_ptr<CORVCellCtrl> CreateCellCtrl(int col, int row, DWORD ctrlStyle,
                                                 UINT id) override;
    void SetCellCtrl(int col, int row, std::unique_ptr<CORVCellCtrl> ctrl) override;
    void LoadCellCtrl(int col, int row, CORVCellCtrl* ctrl) override;
    CORVCellCtrl* GetCellCtrl(int col, int row) override;
    DWORD GetCellCtrlStyle(int col, int row) override;
    bool CommitCell(int col, int row) override;
    void OnCellCommitted(int col, int row) override;
    CORVCellStyle* GetCellStyle(int col, int row) override;
    bool HasCellImage(int col, int row) override;
    UINT GetCellImageType(int col, int row) override;
    bool GetCellImageSize(int col, int row, CSize& size) override;
    HANDLE GetCellImage(int col, int row, bool current) override;
    void GetCellImageListParams(int col, int row, IMAGELISTDRAWPARAMS& params,
                                bool current) override;
    void OnCurrentCellChanged(int col, int row) override;
    void OnCurrentRowChanged(int row) override;
    CORVCellFormat GetCellFormat(int col, int row) override;
    CORVCellValue GetCellValue(int col, int row) override;
    CORVCellValue GetHeaderValue(int col, int headerRow) override;

    // --- operations 28 to 35 ---
    virtual int GetHeaderRowCount();
    virtual int GetFixedColumnCount();
    virtual void OnHeaderButtonDown(int col, int headerRow);
    virtual void OnHeaderButtonUp(int col, int headerRow);
    virtual void OnRowHeaderButtonDown(int fixedCol, int row);
    virtual void OnRowHeaderButtonUp(int fixedCol, int row);
    virtual void OnHeaderDblClk(int col, int headerRow);
    virtual UINT GetCellCtrlId(int col, int row);

    ~CORVGrid() override;

    // --- columns ---
    int InsertColumn(int index, int width, const std::wstring& title, UINT cellFormat,
                     UINT headerFormat, UINT frameType, UINT frameState, UINT ctrlId);
    int AddColumn(int width, const std::wstring& title, UINT cellFormat, UINT headerFormat,
                  UINT frameType, UINT frameState, UINT ctrlId);
    bool SetColumnCtrl(int col, BYTE kind, DWORD ctrlStyle, UINT id);

    // --- rows; false (nothing changes) for counts beyond ORV_MAX_ROWS or bad arguments ---
    bool SetRowCount(int count, bool notify);
    bool InsertRows(int at, int count);
    bool DeleteRows(int at, int count);

    // --- mouse and focus, forwarded by the host window (client coordinates) ---
    bool OnLButtonDown(UINT flags, int x, int y);
    bool OnMouseMove(UINT flags, int x, int y);
    bool OnLButtonUp(UINT flags, int x, int y);
    bool OnLButtonDblClk(UINT flags, int x, int y);
    void OnFocusCell(HWND previous);

protected:
    CORVColumn* Column(int col);
    bool OutsideTable(int xp, int yp);
    void PressHeader(int xp, int yp);
    void PressRowHeader(int xp, int yp);
    void MoveToPoint(int xp, int yp, bool extend, bool click);
    void CancelPress(int& col, int& row);
    void InvertTrackLine();
    void MoveTrackLine(int x);
};
