# Command-line checks of data files built alone and in a package, with the
# fixtures of cli_check.sh: d.manifest holds the given LINES; the output is
# OUT.exe whatever it holds (cli_check.sh treats that name as the output).
function(saverpack_data_manifest_test name rc pattern lines)
  saverpack_cli_test(${name} ${rc} "${pattern}" --setup "printf '%s\\n' ${lines} > d.manifest"
                     ${ARGN})
endfunction()
set(data_build data build d.manifest -o OUT.exe)
# A package whose slot 8 is d.manifest, with its preview kind and slot 3.
function(saverpack_data_package_test name rc pattern lines package)
  saverpack_cli_test(${name} ${rc} "${pattern}"
                     --setup "printf '%s\\n' ${lines} > d.manifest && grep -Ev '^(slot8|slot3|preview_kind)( |[.])' good.txt > m.txt && printf '%s\\n' 'slot8 = d.manifest' ${package} >> m.txt"
                     ${ARGN} build m.txt --stub stub.exe -o OUT.exe)
endfunction()

# Names the installer's Windows would not store as a file of their own.
foreach(device NUL CON COM1 AUX LPT1 PRN nul.txt CONOUT$ conin$.scf)
  string(MAKE_C_IDENTIFIER "${device}" id)
  string(REPLACE "$" "\\$" shown "${device}")
  saverpack_data_manifest_test(data_device_name_${id} 1
                               "^saverpack: d.manifest:2: record2 name '${shown}' is a reserved device name in Windows"
                               "'record1 = data.bin' 'record2.copy = ${device}'" ${data_build})
endforeach()
saverpack_data_manifest_test(data_names_differing_in_case 1
                             "^saverpack: d.manifest:3: record2 name 'saver.SCF' names the same file as record1's 'Saver.scf' \\(Windows ignores case"
                             "'record1 = data.bin' 'record1.name = Saver.scf' 'record2.copy = saver.SCF'"
                             ${data_build})
saverpack_data_manifest_test(data_name_with_trailing_dot 1
                             "^saverpack: d.manifest:2: record2 name 'a[.]' ends in '[.]', which Windows drops from file names \\(so it names the same file as without it\\)"
                             "'record1 = data.bin' 'record2.copy = a.'" ${data_build})
string(REPEAT "p" 127 long_name)
saverpack_data_manifest_test(data_name_too_long_for_any_title 1
                             "d.manifest:2: record2 name 'p+' is 127 bytes long. in the saver folder \\('<Windows>.<title of up to 64 bytes> dir.', counting 64 characters for the Windows folder\\) at most 126 fit"
                             "'record1 = data.bin' 'record2.copy = ${long_name}'" ${data_build})
saverpack_data_package_test(data_name_fits_a_short_title 0 "wrote OUT.exe"
                            "'record1 = data.bin' 'record2.copy = ${long_name}'"
                            "'preview_kind = 2' 'slot3 = preview.scf' 'slot3.name = installer.scf'")
saverpack_data_manifest_test(data_missing_record_file_has_its_line 1
                             "^saverpack: d.manifest:2: cannot read record2 file '.*none.bin': No such file"
                             "'record1 = data.bin' 'record2 = none.bin'" ${data_build})
saverpack_data_manifest_test(data_unknown_key_suggests_the_nearest 1
                             "^saverpack: d.manifest:2: unknown key 'text_color' \\(did you mean 'text_colour'\\?\\)$"
                             "'record1 = data.bin' 'text_color = FFFFFF'" ${data_build})

# first_record_mode 3 copies the preview movie installer.scf: the package
# must have one.
set(mode3 "'first_record_mode = 3' 'record1.copy = saver.scf'")
saverpack_data_package_test(data_mode3_with_a_bitmap_preview 1
                            "^saverpack: d.manifest:1: first_record_mode 3 copies the preview movie installer.scf into record 1, but this package's preview is not a movie \\(preview_kind 1\\): the installer would stop with error -532"
                            "${mode3}" "'preview_kind = 1' 'slot3 = preview.bmp'")
saverpack_data_package_test(data_mode3_in_a_silent_package 1 "preview is not a movie \\(preview_kind 4\\)"
                            "${mode3}" "'preview_kind = 4'")
saverpack_data_package_test(data_mode3_with_another_movie_name 1
                            "d.manifest:1: first_record_mode 3 .* but slot 3 is not named installer.scf"
                            "${mode3}" "'preview_kind = 2' 'slot3 = preview.scf'")
saverpack_data_package_test(data_mode3_with_the_preview_movie 0 "wrote OUT.exe"
                            "${mode3}" "'preview_kind = 2' 'slot3 = preview.scf' 'slot3.name = INSTALLER.SCF'")

# The data build never writes over its inputs, a device or a pipe.
set(same "is the same file as the")
set(tpl "head -c 1240 /dev/zero > tpl.bin && printf '%s\\n' 'template = tpl.bin' 'record1 = data.bin' > d.manifest")
saverpack_cli_test(data_output_is_its_manifest 1 "output 'd.manifest' ${same} data manifest 'd.manifest'"
                   --setup "${tpl}" data build d.manifest -o d.manifest)
saverpack_cli_test(data_output_is_its_template 1 "output 'tpl.bin' ${same} template '.*tpl.bin'"
                   --setup "${tpl}" data build d.manifest -o tpl.bin)
saverpack_cli_test(data_output_is_a_record_file 1 "output 'data.bin' ${same} record1 file '.*data.bin'"
                   --setup "${tpl}" data build d.manifest -o data.bin)
saverpack_cli_test(data_output_is_a_link_to_a_record_file 1 "output 'link.ssd' ${same} record1 file"
                   --setup "${tpl} && ln -s data.bin link.ssd" data build d.manifest -o link.ssd)
saverpack_cli_test(data_output_dev_null 1 "output '/dev/null' is a character device, not a regular file"
                   --setup "${tpl}" --after "test -c /dev/null" data build d.manifest -o /dev/null)
saverpack_cli_test(data_output_fifo 1 "output 'pipe' is a named pipe, not a regular file"
                   --setup "${tpl} && mkfifo pipe" --after "test -p pipe" data build d.manifest -o pipe)
saverpack_cli_test(data_output_link_is_written_through 0 "wrote link.ssd"
                   --setup "${tpl} && mkdir real && ln -s real/a.ssd link.ssd"
                   --after "test -L link.ssd && test -f real/a.ssd && ! ls -a real | grep -q tmp"
                   data build d.manifest -o link.ssd)
saverpack_cli_test(package_output_is_a_record_of_its_data_manifest 1
                   "output 'data.bin' ${same} slot 8 data manifest's record1 file"
                   --setup "${tpl} && sed 's/^slot8 = .*/slot8 = d.manifest/' good.txt > m.txt"
                   build m.txt --stub stub.exe -o data.bin)
saverpack_cli_test(package_output_is_its_data_manifest 1 "output 'd.manifest' ${same} slot 8 file"
                   --setup "${tpl} && sed 's/^slot8 = .*/slot8 = d.manifest/' good.txt > m.txt"
                   build m.txt --stub stub.exe -o d.manifest)

# Records stream: sizes are checked before reading, and neither a data
# build nor a package build with a data manifest needs memory for a record.
set(limit --memory 65536)
if(SAVER_SANITIZE)
  set(limit)
endif()
saverpack_cli_test(data_record_over_2_gib 1
                   "^saverpack: d.manifest:1: record1 is too large: 2306867200 bytes \\(at most 2147483647"
                   --setup "truncate -s 2200M huge.bin && echo 'record1 = huge.bin' > d.manifest"
                   ${limit} data build d.manifest -o OUT.exe)
if(NOT SAVER_SANITIZE)
  set(large "truncate -s 300M large.bin && printf '%s\\n' 'record1 = large.bin' > d.manifest")
  saverpack_cli_test(data_stored_300_mb_in_64_mb 0 "wrote OUT.exe \\(314574348 bytes\\)"
                     --setup "${large}" ${limit} --after "! grep -q 'MB/s' err.log"
                     data build d.manifest -o OUT.exe)
  saverpack_cli_test(data_imploded_100_mb_in_64_mb 0 "wrote OUT.exe"
                     --setup "truncate -s 100M large.bin && printf '%s\\n' 'record1 = large.bin' 'record1.compressed = 1' > d.manifest"
                     --after "$SAVERPACK data list OUT.exe | grep -Eq 'large.bin +[0-9]+ +104857600 +[0-9]+  yes'"
                     ${limit} data build d.manifest -o OUT.exe)
  saverpack_cli_test(package_with_a_300_mb_data_record_in_64_mb 0 "Aqua.ssd +4 .* 314574348 +314574348 +no"
                     --setup "${large} && sed 's/^slot8 = .*/slot8 = d.manifest/' good.txt > m.txt"
                     ${limit} build m.txt --stub stub.exe -o OUT.exe --then list OUT.exe)
  # On a terminal a large build shows its progress; --quiet silences it.
  set(on_terminal "script -qec \"$SAVERPACK build m.txt --stub stub.exe -o T.exe ARGS\" /dev/null")
  string(REPLACE "ARGS" "" shown "${on_terminal}")
  string(REPLACE "ARGS" "--quiet" quiet "${on_terminal}")
  saverpack_cli_test(progress_on_a_terminal 0 "wrote OUT.exe"
                     --setup "${large} && sed 's/^slot8 = .*/slot8 = d.manifest/' good.txt > m.txt"
                     --after "command -v script > /dev/null || exit 77 && ${shown} | grep -Eq '[0-9]+%  [0-9.]+ MB read, [0-9.]+ MB/s' && ! ${quiet} | grep -q 'MB/s'"
                     build m.txt --stub stub.exe -o OUT.exe --quiet)
  set_tests_properties(saverpack.cli.progress_on_a_terminal PROPERTIES SKIP_RETURN_CODE 77)
endif()

# Help for each command, and the version.
saverpack_cli_test(build_help 0 "\\[--werror\\] \\[--quiet\\]" build --help)
saverpack_cli_test(build_help_lists_the_checks 0 "Warned about \\(exit 0\\): no slot 2" build --help)
saverpack_cli_test(data_help 0 "data build  writes a saver data file" data --help)
saverpack_cli_test(data_build_help 0 "CONOUT\\$" data build --help)
saverpack_cli_test(list_help 0 "^usage: saverpack list INSTALLER" list --help)
saverpack_cli_test(version 0 "^saverpack [0-9]+[.][0-9]+ " --version)

# The samples build without a warning: the README's package and data
# manifests and samples/demo.manifest, with generated files.
set(samples ${CMAKE_SOURCE_DIR}/samples)
set(sample_files "python3 ${samples}/make_demo_files.py . && cp ${samples}/License.txt ${samples}/ReadMe.txt . && cp codec.bin impborl.dll && cp text.exe flashax.exe")
# (No semicolons: they would split the command into a CMake list.)
set(readme_block "awk '/^```ini/ { n++\n on = n == BLOCK\n next }\n /^```/ { on = 0 }\n on' ${CMAKE_SOURCE_DIR}/README.md")
string(REPLACE "BLOCK" "1" readme_package "${readme_block}")
string(REPLACE "BLOCK" "3" readme_data "${readme_block}")
saverpack_cli_test(readme_package_manifest_builds_without_warnings 0 "wrote OUT.exe"
                   --setup "${sample_files} && ${readme_package} > readme.txt && grep -q '^slot6' readme.txt"
                   --after "! grep -q warning err.log" build readme.txt --stub stub.exe -o OUT.exe --werror)
saverpack_cli_test(readme_data_manifest_builds_without_warnings 0 "wrote OUT.exe"
                   --setup "head -c 1240 /dev/zero > header.bin && mkdir movies && cp saver1.dll movies/prevmon.swf && ${readme_data} > r.manifest && grep -q '^record2' r.manifest"
                   --after "! grep -q warning err.log" data build r.manifest -o OUT.exe --werror)
saverpack_cli_test(demo_manifest_builds_without_warnings 0 "wrote OUT.exe"
                   --setup "${sample_files} && cp ${samples}/demo.manifest ${samples}/data.manifest . && python3 ${samples}/make_swf.py demo preview.swf && python3 ${samples}/make_swf.py saver movie.swf"
                   --after "! grep -q warning err.log" build demo.manifest --stub stub.exe -o OUT.exe --werror)
