# Command-line checks of what the slots' files are, of the warnings and of
# the manifest's places and hints. m.txt is good.txt without the lines of
# the keys in DROP (a regular expression of key names) and with LINES added
# at its end (good.txt has 15 lines).
function(saverpack_variant_test name rc pattern drop lines)
  saverpack_cli_test(${name} ${rc} "${pattern}"
                     --setup "grep -Ev '^(${drop})( |[.])' good.txt > m.txt && printf '%s\\n' ${lines} >> m.txt"
                     ${ARGN} build m.txt --stub stub.exe -o OUT.exe)
endfunction()
# The same, with a Flash runtime installer in slot 2, so that a complete
# package warns about nothing: --werror proves it.
function(saverpack_clean_test name pattern drop lines)
  saverpack_cli_test(${name} 0 "${pattern}"
                     --setup "grep -Ev '^(${drop})( |[.])' good.txt > m.txt && printf '%s\\n' ${lines} 'slot2 = text.exe' >> m.txt"
                     --after "! grep -q warning err.log" build m.txt --stub stub.exe -o OUT.exe --werror)
endfunction()

# Slot 3 with preview_kind 1: a bitmap Windows loads.
foreach(image "pic.png|a PNG image" "pic.jpg|a JPEG image" "pic.gif|a GIF image")
  string(REPLACE "|" ";" image "${image}")
  list(GET image 0 file)
  list(GET image 1 what)
  string(MAKE_C_IDENTIFIER "${file}" id)
  saverpack_variant_test(bitmap_preview_is_${id} 1
                         "^saverpack: m.txt:[0-9]+: slot 3 file '${file}' is ${what}, but preview_kind 1 needs a BMP bitmap. the user would see \"Bitmap image is not valid\" \\(convert it: convert '${file}' -resize 350x150! -type truecolor BMP3:'pic.bmp'\\)$"
                         "slot3|preview_kind" "'preview_kind = 1' 'slot3 = ${file}'")
endforeach()
saverpack_variant_test(bitmap_preview_is_a_movie 1
                       "m.txt:[0-9]+: slot 3 file 'movie8.swf' is a Flash movie \\(SWF\\), not a bitmap: preview_kind 1 shows a bitmap \\(set 'preview_kind = 2'"
                       "slot3|preview_kind" "'preview_kind = 1' 'slot3 = movie8.swf'")
foreach(bad "bpp2.bmp|2 bits per pixel \\(Windows reads 1, 4, 8, 16, 24 or 32\\)"
            "jpeg.bmp|JPEG inside a BMP \\(BI_JPEG\\) with 24 bits per pixel")
  string(REPLACE "|" ";" bad "${bad}")
  list(GET bad 0 file)
  list(GET bad 1 why)
  string(MAKE_C_IDENTIFIER "${file}" id)
  string(REPLACE ".bmp" "" stem "${file}")
  saverpack_variant_test(bitmap_preview_unreadable_${id} 1
                         "m.txt:[0-9]+: slot 3 file '${file}' is a bitmap Windows cannot load: ${why}.* the user would see .*BMP3:'${stem}-24[.]bmp'"
                         "slot3|preview_kind" "'preview_kind = 1' 'slot3 = ${file}'")
endforeach()
foreach(good preview.bmp rle8.bmp topdown.bmp)
  string(MAKE_C_IDENTIFIER "${good}" id)
  saverpack_clean_test(bitmap_preview_${id} "wrote OUT.exe" "slot3|preview_kind"
                       "'preview_kind = 1' 'slot3 = ${good}'")
endforeach()
saverpack_variant_test(bitmap_of_another_size_warns 0
                       "m.txt:[0-9]+: warning: slot 3 bitmap is 120 x 80 pixels. the installer's preview area is 350 x 150"
                       "slot3|preview_kind" "'preview_kind = 1' 'slot3 = small.bmp'")

# Slot 3 with preview_kind 2 or 3: a Flash movie the control plays.
saverpack_variant_test(movie_preview_is_a_png 1
                       "m.txt:[0-9]+: slot 3 file 'pic.png' is a PNG image, but preview_kind 2 plays a Flash movie \\(SWF\\). for a picture set 'preview_kind = 1' and convert it"
                       "slot3" "'slot3 = pic.png'")
saverpack_variant_test(movie_preview_is_a_bitmap 1
                       "m.txt:[0-9]+: slot 3 file 'preview.bmp' is a bitmap, but preview_kind 3 plays a Flash movie \\(set 'preview_kind = 1'"
                       "slot3|preview_kind" "'preview_kind = 3' 'slot3 = preview.bmp'")
foreach(bad "licence.txt|it does not start with FWS or CWS"
            "lzma.swf|it is LZMA-compressed \\(ZWS\\)"
            "cws5.swf|it is compressed \\(CWS\\) but claims version 5")
  string(REPLACE "|" ";" bad "${bad}")
  list(GET bad 0 file)
  list(GET bad 1 why)
  string(MAKE_C_IDENTIFIER "${file}" id)
  saverpack_variant_test(movie_preview_unplayable_${id} 1
                         "m.txt:[0-9]+: slot 3 file '${file}' is not a Flash movie the control can play: ${why}"
                         "slot3" "'slot3 = ${file}'")
endforeach()
saverpack_variant_test(movie_newer_than_flash_6_warns 0
                       "m.txt:[0-9]+: warning: slot 3 movie is SWF version 8. the installer accepts Flash 6"
                       "slot3" "'slot3 = movie8.swf'")

# Slot 6: a 32-bit Windows program.
foreach(bad "licence.txt|it does not start with MZ" "empty.bin|it is empty" "pic.png|it is a PNG image"
            "engine64.bin|it is for x86-64 PE32\\+" "engine.dll|it is a DLL")
  string(REPLACE "|" ";" bad "${bad}")
  list(GET bad 0 file)
  list(GET bad 1 why)
  string(MAKE_C_IDENTIFIER "${file}" id)
  saverpack_variant_test(engine_is_${id} 1
                         "^saverpack: m.txt:[0-9]+: slot 6 file '${file}' is not a 32-bit Windows program \\(PE, i386\\): ${why}. It would become the system's screen saver, .* so the user could not uninstall"
                         "slot6" "'slot6 = ${file}'")
endforeach()

# The stub: this project's installer stub, found by its marker.
saverpack_cli_test(stub_without_marker 1
                   "^saverpack: the stub 'nomark.exe' is not the installer stub: it lacks the marker that install.exe carries"
                   build good.txt --stub nomark.exe -o OUT.exe)
saverpack_cli_test(stub_is_the_engine 1 "^saverpack: the stub 'engine.bin' is not the installer stub"
                   build good.txt --stub engine.bin -o OUT.exe)
saverpack_cli_test(stub_for_another_package_offset 1
                   "^saverpack: the stub 'oldstub.exe' reads its package at 4096. this saverpack writes packages at 552960"
                   build good.txt --stub oldstub.exe -o OUT.exe)

# Warnings: exit code 0, a line with the place; --werror makes them fatal.
saverpack_cli_test(slot2_empty_warns 0
                   "^saverpack: good.txt: warning: slot 2 \\(the Flash runtime installer flashax.exe\\) is empty: .* error -402 before installing, whatever preview_kind is"
                   build good.txt --stub stub.exe -o OUT.exe)
saverpack_cli_test(werror_makes_a_warning_fatal 1
                   "^saverpack: 1 warning, and --werror makes warnings errors: nothing was written$"
                   build good.txt --stub stub.exe -o OUT.exe --werror)
saverpack_cli_test(werror_keeps_the_old_output 1 "--werror makes warnings errors"
                   --setup "echo old > OLD.exe" --after "test \"$(cat OLD.exe)\" = old"
                   build good.txt --stub stub.exe -o OLD.exe --werror)
saverpack_clean_test(complete_package_warns_about_nothing "wrote OUT.exe" "title" "'title = Aqua'")
saverpack_variant_test(licence_over_64_kb_warns 0
                       "m.txt:17: warning: slot 4 licence has 70000 bytes. the licence box holds 64 KB"
                       "x" "'show_licence = 1' 'slot4 = big-licence.txt'")
saverpack_variant_test(licence_in_a_silent_package_warns 0
                       "m.txt:16: warning: show_licence is set, but a silent package \\(preview_kind 4\\) shows no licence"
                       "preview_kind" "'preview_kind = 4' 'show_licence = 1' 'slot4 = licence.txt'")
saverpack_variant_test(licence_without_switch_warns 0
                       "m.txt:16: warning: slot 4 \\(the licence\\) is never shown: show_licence is 0"
                       "x" "'slot4 = licence.txt'")
saverpack_variant_test(readme_without_switch_warns 0
                       "m.txt:16: warning: slot 5 \\(the read-me\\) is never installed or opened: show_readme is 0"
                       "x" "'slot5 = licence.txt'")
saverpack_variant_test(preview_kind_absent_warns 0 "^saverpack: m.txt: warning: preview_kind 0 shows no preview"
                       "preview_kind" "")
saverpack_variant_test(preview_kind_7_warns 0 "^saverpack: m.txt:15: warning: preview_kind 7 shows no preview"
                       "preview_kind" "'preview_kind = 7'")
saverpack_variant_test(entry_that_implodes_larger_is_stored 0
                       "^saverpack: m.txt:16: warning: slot 7 implodes to [0-9]+ bytes, more than its 77: stored instead \\(say 'slot7.compressed = 0'\\)"
                       "x" "'slot7.compressed = 1'"
                       --after "$SAVERPACK list OUT.exe | grep -Eq '^   7  pattern.bmp .* 77 +77 +no'")

# Places and hints of manifest errors.
saverpack_variant_test(unknown_key_suggests_the_nearest 1
                       "^saverpack: m.txt:16: unknown key 'show_license' \\(did you mean 'show_licence'\\?\\)$"
                       "x" "'show_license = 1'")
saverpack_variant_test(unknown_slot_attribute_suggests_the_nearest 1
                       "m.txt:16: unknown key 'slot7.nmae' \\(did you mean 'slot7.name'\\?\\)$"
                       "x" "'slot7.nmae = x.bin'")
saverpack_variant_test(unknown_far_key_suggests_nothing 1 "m.txt:16: unknown key 'colour'$"
                       "x" "'colour = blue'")
