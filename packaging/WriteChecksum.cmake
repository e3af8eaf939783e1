# cmake "-DFILES=path/Torq7m.dll;path/Torq7Check.exe" -DOUTPUT=SHA256SUMS.txt -P WriteChecksum.cmake
# One line per file in the format of sha256sum (and of certutil's hash), for
# the person who installs the product to compare.
set(lines "")
foreach(file IN LISTS FILES)
    file(SHA256 ${file} hash)
    get_filename_component(name ${file} NAME)
    string(APPEND lines "${hash}  ${name}\n")
endforeach()
file(WRITE ${OUTPUT} "${lines}")
