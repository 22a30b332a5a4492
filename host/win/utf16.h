// UTF-8 (the host's strings) and UTF-16 (the platform's wide strings) into each other, the one
// conversion every Windows part uses. Invalid sequences become U+FFFD, as the platform has it.
#pragma once

#include <string>
#include <string_view>

namespace keloscroll::host::win {

std::wstring wide(std::string_view utf8);
std::string utf8(std::wstring_view utf16);

}  // namespace keloscroll::host::win
