# cmake -DDLL=path/Torq7m.dll -DOUTPUT=SHA256SUMS.txt -P WriteChecksum.cmake
# One line in the format of sha256sum (and of certutil's hash), for the
# person who installs the DLL to compare.
file(SHA256 ${DLL} hash)
get_filename_component(name ${DLL} NAME)
file(WRITE ${OUTPUT} "${hash}  ${name}\n")
