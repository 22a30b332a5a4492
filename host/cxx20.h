// KeloScroll's headers are C++20. An older language mode would fail deep inside one of them, so
// each public header includes this first and says what is needed at once.
#pragma once

#if defined(_MSVC_LANG) ? _MSVC_LANG <= 201703L : __cplusplus <= 201703L
#error "KeloScroll needs C++20: compile with -std=c++20 (or later)"
#endif
