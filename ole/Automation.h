// The one include for COM and OLE Automation: the platform's own on Windows, our runtime elsewhere.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <oleauto.h>
#else
#include "ole/ComRuntime.h"
#endif
