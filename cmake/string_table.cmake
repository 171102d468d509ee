# Turns the STRINGTABLE of a resource script into the rows of a C++ table, so
# the program's resources and the core's own copy of the texts have one
# source. Run at build time:
#   cmake -DINPUT=ui/strings.rc -DOUTPUT=.../string_table.inc -P string_table.cmake
# Each row of the script is `  ID, "TEXT"` with "" standing for one quote;
# anything else between BEGIN and END, or a backslash, stops the build.
file(STRINGS "${INPUT}" lines ENCODING UTF-8)
string(ASCII 1 quote_mark)
set(rows "")
set(inside FALSE)
foreach(line IN LISTS lines)
  string(STRIP "${line}" stripped)
  if(stripped STREQUAL "BEGIN")
    set(inside TRUE)
  elseif(stripped STREQUAL "END")
    set(inside FALSE)
  elseif(inside AND NOT stripped STREQUAL "")
    if(NOT stripped MATCHES "^([0-9]+), *\"(.*)\"$")
      message(FATAL_ERROR "${INPUT}: not a string-table row: ${line}")
    endif()
    set(id "${CMAKE_MATCH_1}")
    set(text "${CMAKE_MATCH_2}")
    string(REPLACE "\"\"" "${quote_mark}" text "${text}")
    if(text MATCHES "\"")
      message(FATAL_ERROR "${INPUT}: lone quote in row ${id}")
    endif()
    # The resource compiler reads C escapes; the table has none, so a backslash
    # is refused rather than carried over with a meaning the two sides differ on.
    if(text MATCHES "\\\\")
      message(FATAL_ERROR "${INPUT}: backslash in row ${id}")
    endif()
    string(REPLACE "${quote_mark}" "\\\"" text "${text}")
    string(APPEND rows "    StringTableEntry{${id}, \"${text}\"},\n")
  endif()
endforeach()
if(rows STREQUAL "")
  message(FATAL_ERROR "${INPUT}: no string-table rows")
endif()
set(content "// Made from ${INPUT} at build time; edit that file instead.\n${rows}")
# Written only when it changes, so an untouched table rebuilds nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL content)
  file(WRITE "${OUTPUT}" "${content}")
endif()
