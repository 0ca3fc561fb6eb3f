# Command-line checks of the output file (see cli_check.sh: every input is
# compared byte for byte afterwards).
set(same "is the same file as the")
saverpack_cli_test(output_is_stub 1 "output 'stub.exe' ${same} stub 'stub.exe'"
                   build good.txt --stub stub.exe -o stub.exe)
saverpack_cli_test(output_is_manifest 1 "output 'good.txt' ${same} manifest 'good.txt'"
                   build good.txt --stub stub.exe -o good.txt)
saverpack_cli_test(output_is_slot_file 1 "output 'engine.bin' ${same} slot 6 file"
                   build good.txt --stub stub.exe -o engine.bin)
saverpack_cli_test(output_is_stub_spelled_otherwise 1 "output './sub/../stub.exe' ${same} stub"
                   --setup "mkdir sub" build good.txt --stub stub.exe -o ./sub/../stub.exe)
saverpack_cli_test(output_is_stub_by_absolute_path 1 "${same} stub"
                   --setup "ln -s \"$PWD\" here" build good.txt --stub stub.exe -o here/stub.exe)
saverpack_cli_test(output_is_hard_link_to_slot_file 1 "output 'hard.bin' ${same} slot 8 file"
                   --setup "ln data.bin hard.bin" build good.txt --stub stub.exe -o hard.bin)
saverpack_cli_test(output_is_link_to_stub 1 "output 'link.exe' ${same} stub"
                   --setup "ln -s stub.exe link.exe" build good.txt --stub stub.exe -o link.exe)
saverpack_cli_test(slot_file_is_link_to_output 1 "${same} slot 7 file 'link.bmp'"
                   --setup "ln -s OLD.exe link.bmp && echo old > OLD.exe && sed 's/^slot7 = .*/slot7 = link.bmp/' good.txt > m.txt"
                   build m.txt --stub stub.exe -o OLD.exe)
saverpack_cli_test(output_link_is_written_through 0 "wrote link.exe"
                   --setup "mkdir real && ln -s real/target.exe link.exe"
                   --after "test -L link.exe && test -f real/target.exe && ! ls -a real | grep -q tmp"
                   build good.txt --stub stub.exe -o link.exe)
saverpack_cli_test(output_link_to_link_is_written_through 0 "wrote l1.exe"
                   --setup "echo old > OUT.exe && ln -s OUT.exe l2.exe && ln -s l2.exe l1.exe"
                   --after "test -L l1.exe && test -L l2.exe && test $(wc -c < OUT.exe) -gt 552960"
                   build good.txt --stub stub.exe -o l1.exe)
saverpack_cli_test(output_dev_null 1 "output '/dev/null' is a character device, not a regular file"
                   --after "test -c /dev/null" build good.txt --stub stub.exe -o /dev/null)
saverpack_cli_test(output_link_to_device 1 "output 'null.exe' is a character device"
                   --setup "ln -s /dev/null null.exe" --after "test -c /dev/null && test -L null.exe"
                   build good.txt --stub stub.exe -o null.exe)
saverpack_cli_test(output_directory 1 "output 'folder' is a directory, not a regular file"
                   --setup "mkdir folder" --after "test -d folder"
                   build good.txt --stub stub.exe -o folder)
saverpack_cli_test(output_fifo 1 "output 'pipe' is a named pipe, not a regular file"
                   --setup "mkfifo pipe" --after "test -p pipe" build good.txt --stub stub.exe -o pipe)
saverpack_cli_test(output_in_missing_folder 1
                   "^saverpack: cannot create 'nope/sub/o.exe': No such file or directory$"
                   build good.txt --stub stub.exe -o nope/sub/o.exe)
saverpack_cli_test(output_replaced_keeps_mode 0 "wrote OUT.exe"
                   --setup "echo old > OUT.exe && chmod 750 OUT.exe"
                   --after "test \"$(stat -c %a OUT.exe)\" = 750"
                   build good.txt --stub stub.exe -o OUT.exe)
# Inputs that are not regular files are refused before anything is read.
saverpack_cli_test(slot_file_is_device 1 "cannot read slot 7 file '/dev/zero': not a regular file"
                   --setup "sed 's|^slot7 = .*|slot7 = /dev/zero|' good.txt > m.txt"
                   build m.txt --stub stub.exe -o OUT.exe)
saverpack_cli_test(slot_file_is_fifo 1 "cannot read slot 7 file 'pipe': not a regular file"
                   --setup "mkfifo pipe && sed 's|^slot7 = .*|slot7 = pipe|' good.txt > m.txt"
                   build m.txt --stub stub.exe -o OUT.exe)
saverpack_cli_test(slot_file_is_directory 1 "cannot read slot 7 file '.*': it is a directory"
                   --setup "mkdir d && sed 's|^slot7 = .*|slot7 = d|' good.txt > m.txt"
                   build m.txt --stub stub.exe -o OUT.exe)
saverpack_cli_test(slot_file_through_link 0 "pattern.bmp +5 .* 77 +77 +no"
                   --setup "ln -s pattern.bmp link.bmp && sed 's|^slot7 = .*|slot7 = link.bmp\\nslot7.name = pattern.bmp|' good.txt > m.txt"
                   build m.txt --stub stub.exe -o OUT.exe --then list OUT.exe)
saverpack_cli_test(stub_is_device 1 "cannot read stub '/dev/zero': not a regular file"
                   build good.txt --stub /dev/zero -o OUT.exe)
saverpack_cli_test(manifest_is_directory 1 "cannot read manifest '.': it is a directory"
                   build . --stub stub.exe -o OUT.exe)
saverpack_cli_test(manifest_is_device 1 "cannot read manifest '/dev/zero': not a regular file"
                   build /dev/zero --stub stub.exe -o OUT.exe)
saverpack_cli_test(manifest_unreadable 1 "cannot read manifest 'm.txt': Permission denied"
                   --setup "cp good.txt m.txt && chmod 000 m.txt && test ! -r m.txt || exit 77"
                   build m.txt --stub stub.exe -o OUT.exe)
saverpack_cli_test(manifest_too_large 1 "manifest 'm.txt': it has 1048577 bytes. a manifest has at most"
                   --setup "head -c 1048577 /dev/zero > m.txt" build m.txt --stub stub.exe -o OUT.exe)
set_tests_properties(saverpack.cli.manifest_unreadable PROPERTIES SKIP_RETURN_CODE 77)
