# cmake -DDIR=<folder> -DOUTPUT=<file.cpp> -P EmbedFiles.cmake
#
# Turns every file of DIR into a byte array of one C++ source that defines
# ShippedTemplates() (app/ShippedTemplates.h), files in name order. The
# program carries the shipped templates this way, so it needs no data
# folder beside it.

file(GLOB FILES LIST_DIRECTORIES false RELATIVE ${DIR} ${DIR}/*)
list(SORT FILES)
set(ARRAYS "")
set(TABLE "")
set(I 0)
foreach(NAME ${FILES})
    file(READ ${DIR}/${NAME} HEX HEX)
    string(LENGTH "${HEX}" HEX_LENGTH)
    if(HEX_LENGTH EQUAL 0)
        message(FATAL_ERROR "EmbedFiles: ${DIR}/${NAME} is empty")
    endif()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," BYTES "${HEX}")
    string(APPEND ARRAYS "const unsigned char File${I}[] = {\n    ${BYTES}\n};\n")
    string(APPEND TABLE "    {\"${NAME}\", File${I}, sizeof File${I}},\n")
    math(EXPR I "${I} + 1")
endforeach()

set(SOURCE "// Made at build time from the files of data/TXT; edit those, not this.

#include \"app/ShippedTemplates.h\"

namespace {

${ARRAYS}
const ShippedFile Files[] = {
${TABLE}};

} // namespace

std::span<const ShippedFile> ShippedTemplates()
{
    return Files;
}
")
# Rewritten only when it changes, so an unchanged folder rebuilds nothing.
if(EXISTS ${OUTPUT})
    file(READ ${OUTPUT} OLD)
endif()
if(NOT "${OLD}" STREQUAL "${SOURCE}")
    file(WRITE ${OUTPUT} "${SOURCE}")
endif()
