# Writes a C++ table of the page's files: cmake -DPAGE_DIR=... -DOUTPUT=... -P
# EmbedPageFiles.cmake. Every file under PAGE_DIR becomes a byte array served
# at its path relative to PAGE_DIR.
file(GLOB_RECURSE files RELATIVE "${PAGE_DIR}" "${PAGE_DIR}/*")
list(SORT files)
set(arrays "")
set(entries "")
set(count 0)
foreach(relative IN LISTS files)
  file(READ "${PAGE_DIR}/${relative}" hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char kFile${count}[] = {${bytes}0};\n")
  string(APPEND entries "    {\"/${relative}\", kFile${count}, ${size}},\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  set(entries "    {\"/index.html\", nullptr, 0},\n")
endif()
file(WRITE "${OUTPUT}.tmp"
  "// Generated from studio/page by cmake/EmbedPageFiles.cmake; do not edit.\n"
  "#include \"studio/server/PageFiles.h\"\n\nnamespace studio {\nnamespace {\n${arrays}}  // namespace\n\n"
  "const PageFile kPageFiles[] = {\n${entries}};\n"
  "const size_t kPageFileCount = ${count};\n\n}  // namespace studio\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
