// What the running copy does with a command from outside. /play and /stop take the road of
// F4 and F5 (the frame's Start and Stop, greyed as they are); /play FILE opens the file as
// the Open command does; /status answers with the status line. Nothing here waits on a
// dialog: a command that would need one is refused with the reason.
#pragma once
#include "app/remote_command.h"

RemoteReply CarryOutRemoteCommand(const RemoteRequest& request);
