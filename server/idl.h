// The type library's IDL text, made from the control's interface table (control/interface_table.h)
// and the library's identities. server/KeloScroll.idl carries it; a test keeps the file in step,
// and the target keloscroll_idl (or the test run with KELO_UPDATE_IDL=1) rewrites it.
#pragma once

#include <string>

namespace keloscroll::server {

std::string typeLibraryIdl();

}  // namespace keloscroll::server
