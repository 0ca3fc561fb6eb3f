# Command-line checks of what the installer could not use, of entry sizes
# and of streaming. m.txt is good.txt with lines added at its end.
function(saverpack_added_test name rc pattern lines)
  saverpack_cli_test(${name} ${rc} "${pattern}"
                     --setup "cp good.txt m.txt && printf '%s\\n' ${lines} >> m.txt" ${ARGN}
                     build m.txt --stub stub.exe -o OUT.exe)
endfunction()

saverpack_added_test(slot1_compressed 1 "^saverpack: m.txt:16: slot 1 must be stored, not compressed"
                     "'slot1.compressed = 1'")
saverpack_added_test(slot1_type 1 "^saverpack: m.txt:16: slot 1 must have entry type 3, not 5"
                     "'slot1.type = 5'")
saverpack_added_test(slot1_name 1 "^saverpack: m.txt:16: slot 1 must be named 'impborl.dat', not 'codec.dat'"
                     "'slot1.name = codec.dat'")
saverpack_added_test(same_destination_in_saver_folder 1
                     "^saverpack: m.txt:12: slots 7 and 9 would both be installed to the saver folder as 'SAVER1.DLL'"
                     "'slot7.name = Saver1.DLL'")
saverpack_added_test(same_destination_in_windows_folder 1
                     "^saverpack: m.txt:17: slots 1 and 2 would both be installed to the Windows folder as 'IMPBORL.DLL'"
                     "'slot2 = saver2.dll' 'slot2.name = impborl.exe'")
saverpack_cli_test(same_destination_as_bitmap_preview 1
                   "^saverpack: m.txt:8: slots 3 and 7 would both be installed to the saver folder as 'PATTERN.BMP'"
                   --setup "grep -v '^slot3.name\\|^preview_kind' good.txt > m.txt && printf '%s\\n' 'preview_kind = 1' 'slot3.name = pattern.scf' >> m.txt"
                   build m.txt --stub stub.exe -o OUT.exe)
saverpack_cli_test(title_reserved_device_name 1 "^saverpack: m.txt:2: title 'CON' is a reserved device name"
                   --setup "sed 's/^title = .*/title = CON/' good.txt > m.txt"
                   build m.txt --stub stub.exe -o OUT.exe)
saverpack_cli_test(title_reserved_device_name_with_extension 1 "^saverpack: m.txt:2: title 'lpt1.saver' is a reserved"
                   --setup "sed 's/^title = .*/title = lpt1.saver/' good.txt > m.txt"
                   build m.txt --stub stub.exe -o OUT.exe)
foreach(reserved nul.txt Aux com9.bmp "PRN .log")
  string(MAKE_C_IDENTIFIER "${reserved}" id)
  saverpack_added_test(name_reserved_${id} 1
                       "^saverpack: m.txt:16: slot 7 name '${reserved}' is a reserved device name in Windows"
                       "'slot7.name = \"${reserved}\"'")
endforeach()
saverpack_added_test(name_com10_is_allowed 0 "wrote OUT.exe" "'slot7.name = com10.bmp'")
saverpack_added_test(name_dot 1 "^saverpack: m.txt:16: slot 7 name '.' names a folder, not a file"
                     "'slot7.name = .'")
saverpack_added_test(name_dot_dot 1 "^saverpack: m.txt:16: slot 7 name '..' names a folder, not a file"
                     "'slot7.name = ..'")
saverpack_added_test(name_trailing_dot 1 "^saverpack: m.txt:16: slot 7 name 'pattern.' ends in '.'"
                     "'slot7.name = pattern.'")

# Sizes are checked before anything is read: the memory limit is far below
# the files' sizes, and a build that read them whole would fail. (The
# sanitizers reserve terabytes of address space, so their build runs these
# without the limit and leaves out the streaming checks.)
set(limit --memory 65536)
if(SAVER_SANITIZE)
  set(limit)
endif()
set(sparse "truncate -s 2200M huge.bin && grep -v '^slot7' good.txt > m.txt && echo 'slot7 = huge.bin' >> m.txt")
saverpack_cli_test(entry_over_2_gib 1
                   "^saverpack: m.txt:15: slot 7 file 'huge.bin' has 2306867200 bytes. an entry holds at most 2147483647 \\(the package's offsets are signed 32-bit\\)$"
                   --setup "${sparse}" ${limit} build m.txt --stub stub.exe -o OUT.exe)
saverpack_cli_test(compressed_entry_over_2_gib 1 "slot 7 file 'huge.bin' has 2306867200 bytes"
                   --setup "${sparse} && echo 'slot7.compressed = 1' >> m.txt" ${limit}
                   build m.txt --stub stub.exe -o OUT.exe)
saverpack_cli_test(stored_entries_over_2_gib 1
                   "^saverpack: the stored slots make an installer of [0-9]+ bytes. at most 2147483647"
                   --setup "truncate -s 1100M a.bin b.bin && grep -v '^slot7\\|^slot8' good.txt > m.txt && printf '%s\\n' 'slot7 = a.bin' 'slot8 = b.bin' >> m.txt"
                   ${limit} build m.txt --stub stub.exe -o OUT.exe)
# Entries stream through fixed buffers: 300 MB stored and 100 MB imploded
# under a 64 MB limit of virtual memory.
if(NOT SAVER_SANITIZE)
  set(large "grep -v '^slot7' good.txt > m.txt && truncate -s 300M large.bin && echo 'slot7 = large.bin' >> m.txt")
  saverpack_cli_test(stored_300_mb_in_64_mb 0 "^   7  large.bin +5 .* 314572800 +314572800 +no"
                     --setup "${large}" ${limit}
                     build m.txt --stub stub.exe -o OUT.exe --then list OUT.exe)
  saverpack_cli_test(imploded_100_mb_in_64_mb 0 "^   7  large.bin +5 .* 104857600 +yes"
                     --setup "${large} && truncate -s 100M large.bin && echo 'slot7.compressed = 1' >> m.txt"
                     ${limit} build m.txt --stub stub.exe -o OUT.exe --then list OUT.exe)
endif()

# A build stopped by a signal leaves neither the output nor a temporary file.
foreach(signal INT TERM HUP)
  add_test(NAME saverpack.cli.interrupted_by_${signal}
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/cli_interrupt.sh $<TARGET_FILE:saverpack> ${signal})
endforeach()
