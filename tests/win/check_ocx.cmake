# Checks KeloScroll.ocx as a file, for either architecture and without running it: its exports,
# the DLLs it imports and its resources.
#   cmake -DOCX=... -DOBJDUMP=... -DWINDRES=... -DIDENTITIES=server/identities.h -P check_ocx.cmake
cmake_minimum_required(VERSION 3.25)
set(failures 0)
macro(fail text)
  message(SEND_ERROR "${text}")
  math(EXPR failures "${failures} + 1")
endmacro()

execute_process(COMMAND ${OBJDUMP} -p ${OCX} OUTPUT_VARIABLE headers RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${OCX} failed: ${rc}")
endif()

# Exports: the names after "[Ordinal/Name Pointer] Table", one "[  n] Name" a line, sorted.
# (Brackets never enter a CMake list here: they would group its elements.)
string(REGEX MATCH "Pointer\\] Table\n([^\n]+\n)+" table "${headers}")
string(FIND "${table}" "\n" first)
math(EXPR first "${first} + 1")
string(SUBSTRING "${table}" ${first} -1 table)
string(REGEX REPLACE "[^\n]*\\] ([A-Za-z0-9_@]+)\n" "\\1;" names "${table}")
string(REGEX REPLACE ";$" "" names "${names}")
list(SORT names)
set(expected DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer)
if(NOT names STREQUAL expected)
  fail("exports are '${names}', expected '${expected}'")
endif()

# Imports: Windows' own DLLs only; the C++ and GCC runtimes and winpthreads are linked in.
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
list(TRANSFORM imports TOLOWER)
set(system "^(kernel32|user32|gdi32|ole32|oleaut32|advapi32|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+|shell32|shlwapi|comctl32|comdlg32|olepro32|oledlg|oleacc|msimg32|uxtheme|version|ntdll|bcrypt|ws2_32)\\.dll$")
foreach(dll IN LISTS imports)
  if(NOT dll MATCHES "${system}")
    fail("imports ${dll}, which is not a Windows system DLL")
  endif()
endforeach()
foreach(dll kernel32.dll ole32.dll oleaut32.dll advapi32.dll)
  if(NOT dll IN_LIST imports)
    fail("does not import ${dll}")
  endif()
endforeach()
# The entry point passes thread notifications on, so it never turns them off.
if(headers MATCHES "DisableThreadLibraryCalls")
  fail("imports DisableThreadLibraryCalls: the entry point must receive thread notifications")
endif()

# Resources, written back as a resource script.
get_filename_component(name "${OCX}" NAME_WE)
set(rcfile "${CMAKE_CURRENT_BINARY_DIR}/${name}.check.rc")
execute_process(COMMAND ${WINDRES} -J coff -O rc -i ${OCX} -o ${rcfile} RESULT_VARIABLE rc
                ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${WINDRES} cannot read the resources of ${OCX}: ${err}")
endif()
file(READ ${rcfile} rcs)
file(REMOVE ${rcfile})
string(REGEX REPLACE "[ \t]+" " " rcs "${rcs}")
string(REGEX REPLACE "L ?," "," rcs "${rcs}")
string(REGEX REPLACE "L\n" ",\n" rcs "${rcs}")

# The resource whose header line is given (which may go on with memory flags: MOVEABLE PURE
# DISCARDABLE): its first n 32-bit words, as "0x..," each, and its language, as "primary, sub"
# (windres writes a LANGUAGE line wherever the language changes, so the last one before the
# header is the resource's own). Both empty when there is no such resource.
function(resource header n words_out language_out)
  string(FIND "${rcs}" "\n${header}" at)
  set(words "")
  set(language "")
  if(at GREATER_EQUAL 0)
    string(SUBSTRING "${rcs}" 0 ${at} before)
    string(REGEX MATCHALL "LANGUAGE [0-9]+, [0-9]+" all "${before}")
    list(POP_BACK all language)
    string(REPLACE "LANGUAGE " "" language "${language}")
    string(SUBSTRING "${rcs}" ${at} -1 rest)
    string(FIND "${rest}" "\nEND" end)
    string(SUBSTRING "${rest}" 0 ${end} rest)
    string(REGEX MATCHALL "0x[0-9a-f]+," words "${rest}")
    list(SUBLIST words 0 ${n} words)
    string(JOIN "" words ${words})
  endif()
  set(${words_out} "${words}" PARENT_SCOPE)
  set(${language_out} "${language}" PARENT_SCOPE)
endfunction()
foreach(header "1 \"_IID_USRKELOSCROLL\"" "1 \"_SRCIID_USRKELOSCROLL\"" "1 \"_IID_PROPERTYPAGE1\""
               "1 \"TYPELIB\"" "30000 2 /* RT_BITMAP */")
  resource("${header}" 0 words language)
  if(NOT language STREQUAL "0, 0")
    fail("resource ${header} is not language-neutral: LANGUAGE '${language}'")
  endif()
endforeach()
resource("1 VERSIONINFO" 0 words language)
if(NOT language STREQUAL "9, 1")
  fail("the version block is not in US English: LANGUAGE '${language}'")
endif()

# A GUID of identities.h as the 32-bit little-endian words of its binary layout.
file(READ ${IDENTITIES} ids)
function(guid_words constant out)
  string(REGEX MATCH "${constant} =[ \n]*detail::guid\\(\"\\{([0-9A-F-]+)\\}\"\\)" m "${ids}")
  if(NOT m)
    message(FATAL_ERROR "${constant} not found in ${IDENTITIES}")
  endif()
  string(TOLOWER "${CMAKE_MATCH_1}" g)
  string(REPLACE "-" "" h "${g}")
  # Data1 as a word, Data3 and Data2 as one, Data4's eight bytes as two little-endian words.
  string(REGEX REPLACE "^(........)(....)(....).*$" "0x\\1,0x\\3\\2," head "${h}")
  string(SUBSTRING "${h}" 16 16 tail)
  string(REGEX REPLACE "^(..)(..)(..)(..)(..)(..)(..)(..)$" "0x\\4\\3\\2\\1,0x\\8\\7\\6\\5,"
         tail "${tail}")
  string(REGEX REPLACE "0x0+([0-9a-f])" "0x\\1" words "${head}${tail}")
  set(${out} "${words}" PARENT_SCOPE)
endfunction()

# The three interface-identity resources: length 16, then the GUID.
foreach(pair "_IID_USRKELOSCROLL;kIidUsrKeloScroll" "_SRCIID_USRKELOSCROLL;kDiidUsrKeloScrollEvents"
             "_IID_PROPERTYPAGE1;kIidPropertyPage1")
  list(GET pair 0 type)
  list(GET pair 1 constant)
  resource("1 \"${type}\"" 5 got language)
  guid_words(${constant} guid)
  if(NOT got STREQUAL "0x10,${guid}")
    fail("resource \"${type}\" 1 is '${got}', expected '0x10,${guid}'")
  endif()
endforeach()

# The type library: "MSFT", locale 0x409, version 21.0, the control-library flag.
resource("1 \"TYPELIB\"" 8 tlb language)
if(NOT tlb MATCHES "^0x5446534d,0x10002,0x[0-9a-f]+,0x409,0x[0-9a-f]+,0x[0-9a-f]+,0x15,0x([0-9a-f]+),$")
  fail("resource TYPELIB 1 does not start as a version 21.0 library of locale 0x409: '${tlb}'")
elseif(NOT CMAKE_MATCH_1 MATCHES "[2367abef]$")
  fail("the type library lacks the control-library flag: flags 0x${CMAKE_MATCH_1}")
endif()

# The toolbox bitmap: a BITMAPINFOHEADER of 16 x 15, 1 plane of 8 bits, BI_RGB, 256 colours.
resource("30000 2 /* RT_BITMAP */" 10 bmp language)
if(NOT bmp MATCHES "^0x28,0x10,0xf,0x80001,0x0,0x[0-9a-f]+,0x[0-9a-f]+,0x[0-9a-f]+,0x100,0x[0-9a-f]+,$")
  fail("bitmap 30000 is not 16 x 15 at 8 bits with 256 colours, uncompressed: '${bmp}'")
endif()

# The version block (where there is none, its language above has failed already).
string(FIND "${rcs}" "1 VERSIONINFO\n" at)
string(SUBSTRING "${rcs}" ${at} -1 version)
foreach(line "FILEVERSION 1, 0, 0, 0" "PRODUCTVERSION 1, 0, 0, 0" "FILEOS 0x4\n" "FILETYPE 0x2\n"
             "BLOCK \"040904B0\"" "VALUE \"FileVersion\", \"1.00\""
             "VALUE \"ProductVersion\", \"1.00\"" "VALUE \"InternalName\", \"KeloScroll\""
             "VALUE \"OriginalFilename\", \"KeloScroll.ocx\"" "VALUE \"OLESelfRegister\", \"\""
             "VALUE \"Translation\", 0x409, 1200")
  string(FIND "${version}" "${line}" found)
  if(found LESS 0)
    fail("version block lacks ${line}")
  endif()
endforeach()
foreach(key CompanyName FileDescription LegalCopyright LegalTrademarks ProductName)
  if(NOT version MATCHES "VALUE \"${key}\", \"[^\"]+\"")
    fail("version block lacks a value of ${key}")
  endif()
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "${OCX}: ${failures} check(s) failed")
endif()
message(STATUS "${OCX}: exports, imports and resources as expected")
