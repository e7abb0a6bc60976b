# Writes a manual page from a template and the program's own --help and --version, so the page
# follows the options. The help text goes in word for word (no fill): its columns are its layout.
#   cmake -DPROGRAM=<executable> -DTEMPLATE=<page.1.in> -DOUTPUT=<page.1> -P ManPage.cmake
# Template fields: @VERSION@ (the first --version line), @DATE@ (today, or SOURCE_DATE_EPOCH's),
# @SYNOPSIS@ (the help's "usage:" lines), @HELP@ (the rest of the help).

foreach(variable PROGRAM TEMPLATE OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "ManPage.cmake: ${variable} is not set")
  endif()
endforeach()

function(run_program option out)
  execute_process(COMMAND ${PROGRAM} ${option} OUTPUT_VARIABLE text ERROR_VARIABLE errors
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR text STREQUAL "")
    message(FATAL_ERROR "${PROGRAM} ${option} gave exit status ${rc} and no text: ${errors}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Roff reads a backslash, a leading dot or quote, and in UTF-8 output a plain -, ', `, ^ and ~
# as something else; an option copied from the page must be the one the program takes.
function(roff_escape text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REPLACE "'" "\\(aq" text "${text}")
  string(REPLACE "`" "\\(ga" text "${text}")
  string(REPLACE "^" "\\(ha" text "${text}")
  string(REPLACE "~" "\\(ti" text "${text}")
  string(REGEX REPLACE "(^|\n)\\." "\\1\\\\&." text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

run_program(--version version)
string(REGEX REPLACE "\n.*" "" version "${version}")
string(REPLACE "\"" "" version "${version}")
run_program(--help help)
string(REGEX REPLACE "\n+$" "" help "${help}")

# The synopsis: the "usage:" line and the lines under it that go on with "[" past its prefix.
# Walked line by line without CMake lists, which would split or join at ";" and "[".
set(synopsis "")
set(rest "")
set(inUsage FALSE)
string(APPEND help "\n")
while(NOT help STREQUAL "")
  string(FIND "${help}" "\n" end)
  string(SUBSTRING "${help}" 0 ${end} line)
  math(EXPR end "${end} + 1")
  string(SUBSTRING "${help}" ${end} -1 help)
  if(synopsis STREQUAL "" AND line MATCHES "^[Uu]sage: (.*)")
    set(synopsis "${CMAKE_MATCH_1}")
    set(inUsage TRUE)
  elseif(inUsage AND line MATCHES "^       ( *\\[.*)")
    string(APPEND synopsis "\n${CMAKE_MATCH_1}")
  else()
    set(inUsage FALSE)
    string(APPEND rest "${line}\n")
  endif()
endwhile()
if(synopsis STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help has no \"usage:\" line")
endif()
string(REGEX REPLACE "\n$" "" rest "${rest}")

roff_escape("${synopsis}" SYNOPSIS)
roff_escape("${rest}" HELP)
roff_escape("${version}" VERSION)
string(TIMESTAMP DATE "%Y-%m-%d" UTC)
file(READ ${TEMPLATE} page)
string(CONFIGURE "${page}" page @ONLY)
file(WRITE ${OUTPUT} "${page}")
