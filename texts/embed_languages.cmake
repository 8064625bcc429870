# Writes a header holding the language files as string literals, in the language menu's order.
set(out "// Made at build time from texts/languages/*.txt; edit those files, not this one.\n#pragma once\n#include <array>\n#include <string_view>\nnamespace muv {\ninline constexpr std::array<std::string_view, 11> kLanguageFiles = {\n")
foreach(code ${CODES})
    file(READ "${FOLDER}/${code}.txt" text)
    string(APPEND out "    std::string_view(R\"muvtexts(${text})muvtexts\"),\n")
endforeach()
string(APPEND out "};\n}  // namespace muv\n")
file(WRITE "${OUTPUT}.new" "${out}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
