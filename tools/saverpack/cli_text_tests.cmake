# Command-line checks of encodings and manifest syntax. m.txt is good.txt
# with its title line (line 2) replaced, or with lines added at its end
# (line 16 on).
set(retitle "sed 's/^title = .*/title = TITLE/' good.txt > m.txt")
function(saverpack_title_test name rc pattern title)
  string(REPLACE "TITLE" "${title}" setup "${retitle}")
  saverpack_cli_test(${name} ${rc} "${pattern}" --setup "${setup}" ${ARGN})
endfunction()
set(build_m build m.txt --stub stub.exe -o OUT.exe)
set(list_m ${build_m} --then list OUT.exe)
# The title field at PackageOffset + 4 holds exactly the expected bytes.
set(title_is "cmp -n 16 -i 552964:0 OUT.exe want")

saverpack_title_test(title_utf8_is_stored_in_windows_1252 0 "^title: Café Sol$" "Café Sol"
                     --after "printf 'Caf\\351 Sol\\0\\0\\0\\0\\0\\0\\0\\0' > want && ${title_is}"
                     ${list_m})
saverpack_title_test(title_euro_sign 0 "^title: 5 € Saver$" "5 € Saver"
                     --after "printf '5 \\200 Saver\\0\\0\\0\\0\\0\\0\\0' > want && ${title_is}"
                     ${list_m})
saverpack_title_test(title_outside_windows_1252 1
                     "^saverpack: m.txt:2:14: title: '日' does not exist in the Windows-1252 code page"
                     "Aqua 日本" ${build_m})
saverpack_cli_test(title_not_utf8 1 "^saverpack: m.txt:15:12: byte 0xE9 is not UTF-8"
                   --setup "grep -v '^title' good.txt > m.txt && printf 'title = Caf\\351\\n' >> m.txt"
                   ${build_m})
saverpack_cli_test(name_outside_windows_1252 1
                   "^saverpack: m.txt:16:14: 'slot7.name': 'Ω' does not exist in the Windows-1252"
                   --setup "cp good.txt m.txt && echo 'slot7.name = Ω.bmp' >> m.txt" ${build_m})
saverpack_cli_test(name_in_windows_1252 0 "^   7  Ärger€.bmp +5 "
                   --setup "cp good.txt m.txt && echo 'slot7.name = Ärger€.bmp' >> m.txt" ${list_m})
saverpack_cli_test(file_name_outside_windows_1252 1
                   "^saverpack: m.txt:15:9: the file name of 'slot7': '日' does not.*set 'slot7.name'"
                   --setup "cp pattern.bmp 日本.bmp && grep -v '^slot7' good.txt > m.txt && echo 'slot7 = 日本.bmp' >> m.txt"
                   ${build_m})
saverpack_cli_test(file_name_outside_windows_1252_renamed 0 "^   7  pattern.bmp "
                   --setup "cp pattern.bmp 日本.bmp && grep -v '^slot7' good.txt > m.txt && printf 'slot7 = 日本.bmp\\nslot7.name = pattern.bmp\\n' >> m.txt"
                   ${list_m})
saverpack_cli_test(manifest_utf8_bom 0 "^title: Aqua$"
                   --setup "printf '\\357\\273\\277' > m.txt && cat good.txt >> m.txt" ${list_m})
saverpack_cli_test(manifest_utf16 1 "^saverpack: m.txt: the file is UTF-16, which is not supported"
                   --setup "iconv -f UTF-8 -t UTF-16 good.txt > m.txt" ${build_m})
saverpack_cli_test(manifest_utf16_without_bom 1 "m.txt: the file holds NUL bytes \\(UTF-16"
                   --setup "iconv -f UTF-8 -t UTF-16LE good.txt > m.txt" ${build_m})
# list shows Windows-1252 as UTF-8 and escapes what a terminal should not get.
set(patch "$SAVERPACK build good.txt --stub stub.exe -o inst.exe && patch() { printf \"$2\" | dd of=inst.exe bs=1 seek=$1 conv=notrunc 2>/dev/null\n}")
saverpack_cli_test(list_escapes_control_bytes 0 "^   7  \\\\x01attern.bmp +5 "
                   --setup "${patch} && patch 554989 '\\001'"
                   --after "! grep -q \"$(printf '\\001')\" out.log" list inst.exe)
saverpack_cli_test(list_shows_windows_1252_as_utf8 0 "^title: Aqué$"
                   --setup "${patch} && patch 552967 '\\351'" list inst.exe)
saverpack_cli_test(list_escapes_undefined_bytes 0 "^title: Aq\\\\x81a\\\\x1B$"
                   --setup "${patch} && patch 552966 '\\201' && patch 552968 '\\033'"
                   --after "! grep -q \"$(printf '\\033')\" out.log" list inst.exe)

# Syntax: quotes keep '#' and blanks; a '#' after a blank starts a comment.
saverpack_title_test(quoted_title_keeps_hash 0 "^title: Aqua #2$" "\"Aqua #2\"  # comment" ${list_m})
saverpack_title_test(quoted_title_keeps_blanks 0 "^title:  Aqua $" "\" Aqua \"" ${list_m})
saverpack_title_test(unquoted_hash_after_blank_is_a_comment 0 "^title: Aqua$" "Aqua #2" ${list_m})
saverpack_title_test(unquoted_hash_inside_a_word_is_kept 0 "^title: A#B$" "A#B" ${list_m})
saverpack_cli_test(quoted_file_name_keeps_hash 0 "^   7  track #1.bin +5 .* 77 +77 +no"
                   --setup "cp pattern.bmp 'track #1.bin' && grep -v '^slot7' good.txt > m.txt && echo 'slot7 = \"track #1.bin\" # the track' >> m.txt"
                   ${list_m})
saverpack_cli_test(quoted_escapes 0 "^   7  weird.bin +5 .* 77 +77 +no"
                   --setup "cp pattern.bmp \"$(printf 'we\\042i\\134rd.bin')\" && grep -v '^slot7' good.txt > m.txt && printf 'slot7 = \\042we\\134\\042i\\134\\134rd.bin\\042\\nslot7.name = weird.bin\\n' >> m.txt"
                   ${list_m})
saverpack_cli_test(quoted_unknown_escape 1 "^saverpack: m.txt:15:11: unknown escape in quotes"
                   --setup "grep -v '^title' good.txt > m.txt && printf 'title = \\042A\\134tB\\042\\n' >> m.txt"
                   ${build_m})
saverpack_title_test(quote_not_closed 1 "^saverpack: m.txt:2:9: the quote opened here is not closed"
                     "\"Aqua" ${build_m})
saverpack_title_test(text_after_closing_quote 1
                     "^saverpack: m.txt:2:16: only a comment may follow the closing quote"
                     "\"Aqua\" x" ${build_m})
saverpack_cli_test(manifest_cr_line_ends 0 "^  10  saver2.dll +5 .* yes"
                   --setup "tr '\\n' '\\r' < good.txt > m.txt" ${list_m})
saverpack_cli_test(manifest_crlf_line_ends 0 "^  10  saver2.dll +5 .* yes"
                   --setup "sed 's/$/\\r/' good.txt > m.txt" ${list_m})
