// The I/O range a device was given: where an LPT port's registers are.
#include <cstring>
#include <vector>

#include "tavo/backends/device_nodes.h"

namespace tavo {
namespace {

// A configuration-manager handle (a plain number), freed by `free` when it goes.
template <typename Handle> class CCmHandle {
public:
    using Free = CONFIGRET(WINAPI*)(Handle);
    CCmHandle(Handle handle, Free free) : m_handle(handle), m_free(free) {}
    ~CCmHandle() { m_free(m_handle); }
    CCmHandle(const CCmHandle&) = delete;
    CCmHandle& operator=(const CCmHandle&) = delete;
    Handle get() const { return m_handle; }

private:
    Handle m_handle;
    Free m_free;
};

} // namespace

std::optional<std::uint64_t> FirstIoBase(const SetupApi& setup, DEVINST device) {
    LOG_CONF rawConf = 0;
    if (setup.CM_Get_First_Log_Conf(&rawConf, device, ALLOC_LOG_CONF) != CR_SUCCESS)
        return std::nullopt;
    const CCmHandle<LOG_CONF> conf(rawConf, setup.CM_Free_Log_Conf_Handle);
    RES_DES rawRes = 0;
    if (setup.CM_Get_Next_Res_Des(&rawRes, conf.get(), ResType_IO, nullptr, 0) != CR_SUCCESS)
        return std::nullopt;
    const CCmHandle<RES_DES> res(rawRes, setup.CM_Free_Res_Des_Handle);
    ULONG size = 0;
    if (setup.CM_Get_Res_Des_Data_Size(&size, res.get(), 0) != CR_SUCCESS || size < sizeof(IO_DES))
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (setup.CM_Get_Res_Des_Data(res.get(), data.data(), size, 0) != CR_SUCCESS)
        return std::nullopt;
    IO_DES io;
    std::memcpy(&io, data.data(), sizeof io);
    return io.IOD_Alloc_Base;
}

} // namespace tavo
