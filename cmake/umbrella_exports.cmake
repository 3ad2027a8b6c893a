# Writes a translation unit that includes only the umbrella header and takes
# the address of every name the shared library exports, so that an export
# the header does not declare fails the build of the tests.
#   cmake -DNM=<nm> -DLIB=<libcmddll3.so> -DOUT=<file.cpp> -P umbrella_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${LIB}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} could not list the exports of ${LIB}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(names)
foreach(line IN LISTS lines)
  # "address type name"; absolute symbols (type A) are version nodes.
  if(line MATCHES "^[0-9a-fA-F]+ [^A] ([A-Za-z_][A-Za-z0-9_]*)$")
    list(APPEND names ${CMAKE_MATCH_1})
  endif()
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)
list(LENGTH names count)
if(count EQUAL 0)
  message(FATAL_ERROR "${LIB} exports nothing")
endif()

set(text "// Generated from the export list of the shared library: the umbrella header\n")
string(APPEND text "// alone declares every name the library exports.\n")
string(APPEND text "#include <cmddll3/cmddll3.h>\n\n")
string(APPEND text "namespace cmdtest {\nextern const void* const kUmbrellaExports[];\n")
string(APPEND text "extern const int kUmbrellaExportCount;\n")
string(APPEND text "const void* const kUmbrellaExports[] = {\n")
foreach(name IN LISTS names)
  string(APPEND text "    reinterpret_cast<const void*>(&${name}),\n")
endforeach()
string(APPEND text "};\nconst int kUmbrellaExportCount = ${count};\n}  // namespace cmdtest\n")

# Rewritten only when the list changes, so a relink alone recompiles nothing.
file(WRITE "${OUT}.new" "${text}")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
