#pragma once

// The automation interface over COM: IDispatch reached by member name, collections through
// IEnumVARIANT. The calling thread must have initialised COM; the objects belong to it.

#include <windows.h>

#include <ole2.h>

#include <string>

#include "platform/automation.h"

namespace zr::automation::win32 {

// A new object of the class registered under progId, from an in-process or a local server.
ObjectPtr CreateObject(const std::string& progId);

// An object over a dispatch interface obtained elsewhere (a browser's document, ...); it takes
// a reference of its own. A null pointer gives a null ObjectPtr.
ObjectPtr WrapDispatch(IDispatch* dispatch);

// The system's text for a COM failure code.
std::string HresultText(HRESULT code);

}  // namespace zr::automation::win32
