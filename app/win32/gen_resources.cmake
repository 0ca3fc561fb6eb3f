# Writes the installer's resource script: its icon, the string table, whose
# texts come from app/strings.inc (one source for both builds), the stub
# marker (RCDATA "SAVERSTUB"), whose text is kStubMarker in
# package/constants_shared.h: the package builder looks for it, the
# application manifest (type 24, id 1: administrator rights, the Windows
# versions supported) and the version resource.
#
#   cmake -DSTRINGS=strings.inc -DICON=installer.ico -DMARKER=constants_shared.h
#         -DMANIFEST=installer.manifest -DOUTPUT=installer.rc -P gen_resources.cmake
#
# strings.inc lines read: SAVER_STRING(name, number, "text") with C escapes.
# windres reads \n, \r, \t and \\ inside a string as C does, but writes a
# quote as "" rather than \".
foreach(var STRINGS ICON MARKER MANIFEST OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "gen_resources: -D${var}= is required")
  endif()
endforeach()

file(READ "${STRINGS}" content)
# Keep semicolons and brackets out of the CMake list made of the lines.
string(REPLACE ";" "@SEMICOLON@" content "${content}")
string(REPLACE "[" "@LBRACKET@" content "${content}")
string(REPLACE "]" "@RBRACKET@" content "${content}")
string(REPLACE "\n" ";" lines "${content}")

set(rc "// Generated from app/strings.inc by app/win32/gen_resources.cmake.\n")
string(APPEND rc "1 ICON \"${ICON}\"\n\nSTRINGTABLE\nBEGIN\n")
set(expected 0)
set(written 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^SAVER_STRING\\(")
    math(EXPR expected "${expected} + 1")
  endif()
  if(line MATCHES "^SAVER_STRING\\([A-Za-z0-9_]+, *([0-9]+), *\"(.*)\"\\)[ \t\r]*$")
    set(number "${CMAKE_MATCH_1}")
    set(text "${CMAKE_MATCH_2}")
    string(REPLACE "\\\"" "\"\"" text "${text}")
    string(REPLACE "@SEMICOLON@" ";" text "${text}")
    string(REPLACE "@LBRACKET@" "[" text "${text}")
    string(REPLACE "@RBRACKET@" "]" text "${text}")
    string(APPEND rc "  ${number}, \"${text}\"\n")
    math(EXPR written "${written} + 1")
  endif()
endforeach()
string(APPEND rc "END\n")

file(STRINGS "${MARKER}" marker_line REGEX "kStubMarker\\[\\] = \"[^\"]+\"")
if(NOT marker_line MATCHES "kStubMarker\\[\\] = \"([^\"]+)\"")
  message(FATAL_ERROR "gen_resources: no kStubMarker in ${MARKER}")
endif()
string(APPEND rc "\nSAVERSTUB RCDATA\nBEGIN\n  \"${CMAKE_MATCH_1}\"\nEND\n")

string(APPEND rc "\n1 24 \"${MANIFEST}\"\n")
string(APPEND rc [=[
1 VERSIONINFO
FILEVERSION 1,0,0,0
PRODUCTVERSION 1,0,0,0
FILEOS 0x40004
FILETYPE 1
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904E4"
    BEGIN
      VALUE "FileDescription", "Screen saver installer"
      VALUE "FileVersion", "1.0.0.0"
      VALUE "InternalName", "install"
      VALUE "OriginalFilename", "install.exe"
      VALUE "ProductName", "Screen saver installer"
      VALUE "ProductVersion", "1.0.0.0"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x409, 1252
  END
END
]=])

if(NOT expected EQUAL written OR written EQUAL 0)
  message(FATAL_ERROR "gen_resources: read ${written} of ${expected} strings in ${STRINGS}")
endif()
file(WRITE "${OUTPUT}.tmp" "${rc}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
