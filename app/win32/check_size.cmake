# Checks the installer program after linking: it must fit in the room before
# its package, which starts at 0x87000 (552,960 bytes), and must not carry the
# iostreams library (their error texts name ios_base), which alone would
# take most of that room.
#
#   cmake -DFILE=install.exe -DLIMIT=552960 -P check_size.cmake
file(SIZE "${FILE}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes; the limit is ${LIMIT}")
endif()
file(STRINGS "${FILE}" iostreams REGEX "ios_base")
if(iostreams)
  message(FATAL_ERROR "${FILE} links the iostreams library")
endif()
message(STATUS "${FILE}: ${size} of ${LIMIT} bytes")
