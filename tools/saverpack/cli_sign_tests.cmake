# Entry checks in `list` and `verify`; signing through osslsigncode. Damage
# is made in --setup by cli_bytes.sh: B.exe is a good build, F.exe the same
# with one byte of an entry inverted, T.exe with a title byte inverted, L.exe
# with a byte of a marker inverted, U.exe with the markers wiped (a package
# of another writer). No semicolons: CMake would split the commands there.
set(build_b "$SAVERPACK build good.txt --stub stub.exe -o B.exe --quiet >/dev/null")
set(bytes "sh ${CMAKE_CURRENT_SOURCE_DIR}/cli_bytes.sh")

saverpack_cli_test(list_shows_each_check 0
                   "impborl.dat +3 +556108 +559107 +3000 +3000 +no +- +[0-9A-F]{8}$"
                   ${build_args} --then list OUT.exe)
saverpack_cli_test(list_says_what_slot_0_covers 0 "slot 0's covers the header and table"
                   ${build_args} --then list OUT.exe)
saverpack_cli_test(verify_good_build 0 "  10  saver2.dll: good$"
                   ${build_args} --then verify OUT.exe)
saverpack_cli_test(verify_table 0 "   0  install.exe: good \\(header and table\\)"
                   ${build_args} --then verify OUT.exe)
saverpack_cli_test(verify_unsigned 0 "^signature: none$" ${build_args} --then verify OUT.exe)
saverpack_cli_test(verify_flipped_entry_byte 1 "   8  Aqua.ssd: DAMAGED: the stored bytes differ"
                   --setup "${build_b} && cp B.exe F.exe && ${bytes} flip F.exe $(( $(${bytes} start B.exe 8) + 17 ))"
                   verify F.exe)
saverpack_cli_test(verify_flipped_last_entry_byte 1 "  10  saver2.dll: DAMAGED"
                   --setup "${build_b} && cp B.exe F.exe && ${bytes} flip F.exe $(( $(stat -c %s B.exe) - 1 ))"
                   verify F.exe)
saverpack_cli_test(verify_flipped_title 1 "   0  install.exe: DAMAGED: the header or table"
                   --setup "${build_b} && cp B.exe T.exe && ${bytes} flip T.exe 552965" verify T.exe)
saverpack_cli_test(verify_lost_marker 1 "   9  saver1.dll: DAMAGED: slot 0 names a check"
                   --setup "${build_b} && cp B.exe L.exe && ${bytes} flip L.exe $((552960 + 68 + 9 * 280 + 245))"
                   verify L.exe)
# Markers wiped: 16 zero bytes at the end of every name field.
saverpack_cli_test(verify_package_without_checks 0 "no entry carries a check"
                   --setup "${build_b} && cp B.exe U.exe && ${bytes} wipe U.exe 0 1 2 3 4 5 6 7 8 9 10"
                   verify U.exe)
saverpack_cli_test(list_package_without_checks 0 "impborl.dat .* +no +- +-$"
                   --setup "${build_b} && cp B.exe U.exe && ${bytes} wipe U.exe 0 1"
                   list U.exe)
saverpack_cli_test(verify_not_a_package 1 "not a package: the file has 1000 bytes" verify text.exe)
saverpack_cli_test(verify_without_installer 2 "verify needs an INSTALLER" verify)
saverpack_cli_test(verify_help 0 "usage: saverpack verify INSTALLER \\[--ca FILE\\]" verify --help)

# Signing: the arguments; a damaged package is not signed; osslsigncode's
# refusal of a certificate is reported in its words, and nothing is left
# behind.
set(make_cert "openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj /CN=Test >/dev/null 2>&1 && echo secret > pw.txt && openssl pkcs12 -export -in cert.pem -inkey key.pem -out cert.p12 -passout file:pw.txt")
saverpack_cli_test(sign_without_key 2 "sign needs either --pkcs12 FILE or --cert FILE with --key FILE"
                   sign a.exe)
saverpack_cli_test(sign_with_both_kinds 2 "sign needs either --pkcs12"
                   sign a.exe --pkcs12 c.p12 --cert c.pem --key k.pem)
saverpack_cli_test(sign_cert_without_key 2 "--cert and --key go together" sign a.exe --cert c.pem)
saverpack_cli_test(sign_option_without_value 2 "--pkcs12 needs a value" sign a.exe --pkcs12)
saverpack_cli_test(sign_help 0 "--password-file  a file whose first line" sign --help)
saverpack_cli_test(sign_refuses_a_damaged_package 1 "'F.exe' has a damaged entry"
                   --setup "${build_b} && cp B.exe F.exe && ${bytes} flip F.exe $(( $(${bytes} start B.exe 6) + 100 ))"
                   sign F.exe --pkcs12 c.p12 -o OUT.exe)
saverpack_cli_test(sign_wrong_password 1 "signing failed: Failed to parse PKCS#12 file"
                   --setup "command -v osslsigncode >/dev/null || exit 77 && ${make_cert} && ${build_b} && echo wrong > bad.txt"
                   sign B.exe --pkcs12 cert.p12 --password-file bad.txt -o OUT.exe)
saverpack_cli_test(sign_what_is_no_certificate 1 "signing failed: Failed to read"
                   --setup "command -v osslsigncode >/dev/null || exit 77 && ${build_b}"
                   sign B.exe --cert good.txt --key good.txt -o OUT.exe)
saverpack_cli_test(sign_what_is_no_package 1 "not a package: the file has 1000 bytes"
                   sign text.exe --pkcs12 cert.p12 -o OUT.exe)

# With the real stub of the Windows build: sign with a PKCS#12 file or a
# certificate and key, check with osslsigncode itself and with `verify`;
# a byte changed in the signed program image fails the signature.
set(real_stub "${SAVER_WIN32_DIR}/bin/install.exe")
set(real_build "command -v osslsigncode >/dev/null && [ -f ${real_stub} ] || exit 77 && ${make_cert} && $SAVERPACK build good.txt --stub ${real_stub} -o R.exe --quiet >/dev/null")
saverpack_cli_test(sign_pkcs12 0 "^signed OUT.exe$"
                   --setup "${real_build}"
                   --after "osslsigncode verify -in OUT.exe -CAfile cert.pem >/dev/null 2>&1 && $SAVERPACK verify OUT.exe --ca cert.pem | grep -q '^signature: good$' && $SAVERPACK list OUT.exe | grep -q 'Aqua.scr'"
                   sign R.exe --pkcs12 cert.p12 --password-file pw.txt -o OUT.exe)
saverpack_cli_test(sign_cert_and_key 0 "^signed OUT.exe$"
                   --setup "${real_build}"
                   --after "$SAVERPACK verify OUT.exe --ca cert.pem | grep -q '^signature: good$'"
                   sign R.exe --cert cert.pem --key key.pem -o OUT.exe)
saverpack_cli_test(verify_untrusted_signature 1 "signature: BAD: Error: self-signed certificate"
                   --setup "${real_build} && $SAVERPACK sign R.exe --pkcs12 cert.p12 --password-file pw.txt -o S.exe >/dev/null"
                   verify S.exe)
saverpack_cli_test(verify_changed_signed_file 1
                   "signature: BAD: the file was changed after it was signed"
                   --setup "${real_build} && $SAVERPACK sign R.exe --pkcs12 cert.p12 --password-file pw.txt -o S.exe >/dev/null && ${bytes} flip S.exe 200000"
                   verify S.exe --ca cert.pem)
saverpack_cli_test(verify_signed_file_with_a_damaged_entry 1 "   6  Aqua.scr: DAMAGED"
                   --setup "${real_build} && $SAVERPACK sign R.exe --pkcs12 cert.p12 --password-file pw.txt -o S.exe >/dev/null && ${bytes} flip S.exe $(( $(${bytes} start S.exe 6) + 9 ))"
                   verify S.exe --ca cert.pem)
