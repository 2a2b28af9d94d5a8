# Writes DIR/SHA256SUMS for the downloads in DIR, so that a user can check a download before
# running it: one line "HASH  NAME" each, as `sha256sum -c` reads it.
# Usage: cmake -DDIR=folder -DFILES=name,name... -P Sha256Sums.cmake
string(REPLACE "," ";" names "${FILES}")
set(lines "")
foreach(name ${names})
  file(SHA256 "${DIR}/${name}" hash)
  string(APPEND lines "${hash}  ${name}\n")
endforeach()
file(WRITE "${DIR}/SHA256SUMS" "${lines}")
