# Fails the build when the installer program is larger than the room before
# its package: the package starts at 0x87000 (552,960 bytes).
#
#   cmake -DFILE=install.exe -DLIMIT=552960 -P check_size.cmake
file(SIZE "${FILE}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes; the limit is ${LIMIT}")
endif()
message(STATUS "${FILE}: ${size} of ${LIMIT} bytes")
