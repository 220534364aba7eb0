// The e2e driver: start a program, find its windows and boxes, give it input, look at
// the files, the registry and the port trace it leaves behind.
#pragma once

#include "files.h"
#include "input.h"
#include "kiv.h"
#include "message_box.h"
#include "program.h"
#include "registry.h"
#include "screen_pixels.h"
#include "text.h"
#include "window_find.h"
