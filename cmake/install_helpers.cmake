# Helpers for install rules whose result depends on the prefix installed to,
# which may differ from the one configured (`cmake --install --prefix DIR`,
# or CPack building packages for /usr from a tree configured for
# /usr/local). Install scripts include this file, so it only defines
# commands and works in script mode.
include_guard(GLOBAL)

# orbi_name_config_dir(<out> <prefix> <sysconfdir>)
#
# Sets <out> to the absolute directory where an install to <prefix> puts the
# files of <sysconfdir> (a CMAKE_INSTALL_SYSCONFDIR value). An absolute
# <sysconfdir> is kept. A relative one follows GNUInstallDirs' rule for
# CMAKE_INSTALL_FULL_SYSCONFDIR, applied to <prefix>: for the prefixes / and
# /usr it lies below the root (/etc: /usr/etc is read by nothing, the GSS-API
# glues included), for /opt/<rest> below /etc/opt/<rest>, and elsewhere below
# the prefix.
function(orbi_name_config_dir out prefix sysconfdir)
  if(IS_ABSOLUTE "${sysconfdir}")
    set(dir "${sysconfdir}")
  elseif(prefix MATCHES "^/(usr/?)?$")
    set(dir "/${sysconfdir}")
  elseif(prefix MATCHES "^/opt/" AND NOT prefix MATCHES "^/opt/homebrew/")
    set(dir "/${sysconfdir}${prefix}")
  else()
    set(dir "${prefix}/${sysconfdir}")
  endif()
  cmake_path(SET dir NORMALIZE "${dir}")
  string(REGEX REPLACE "(.)/+$" "\\1" dir "${dir}")
  set(${out} "${dir}" PARENT_SCOPE)
endfunction()

# orbi_name_staging_dir(<out> <base>)
#
# Sets <out> to a directory below <base> (in the build tree) for files that
# an install writes before installing them, one per destination (DESTDIR and
# prefix), so that installs to different places may run at once.
function(orbi_name_staging_dir out base)
  string(SHA1 key "$ENV{DESTDIR}|${CMAKE_INSTALL_PREFIX}")
  string(SUBSTRING "${key}" 0 12 key)
  set(${out} "${base}/${key}" PARENT_SCOPE)
endfunction()

# orbi_name_install_man_page(<source> <mandir> <staging>)
#
# Installs the man page <source> (roff, named <page>.<section>) as
# <mandir>/man<section>/<page>.<section>.gz, the way Debian ships man pages:
# compressed with gzip -9n, which stores no file name or time, so that the
# same page always gives the same bytes. Each @VARIABLE@ in the page is
# replaced by the variable's value at install time, so that the page can name
# the installed paths. Without gzip the page is installed uncompressed.
# <staging> is a directory of the build tree for the page on its way
# (orbi_name_staging_dir). A macro: file(INSTALL) records the page in the
# caller's install manifest.
macro(orbi_name_install_man_page _orbi_man_source _orbi_man_dir _orbi_man_staging)
  get_filename_component(_orbi_man_name "${_orbi_man_source}" NAME)
  string(REGEX REPLACE "^.*\\.([1-9])[a-z]*$" "\\1" _orbi_man_section
    "${_orbi_man_name}")
  orbi_name_staging_dir(_orbi_man_page "${_orbi_man_staging}")
  string(APPEND _orbi_man_page "/${_orbi_man_name}")
  configure_file("${_orbi_man_source}" "${_orbi_man_page}" @ONLY)
  find_program(_orbi_man_gzip gzip)
  if(_orbi_man_gzip)
    execute_process(COMMAND "${_orbi_man_gzip}" -9nf "${_orbi_man_page}"
      RESULT_VARIABLE _orbi_man_result)
    if(NOT _orbi_man_result EQUAL 0)
      message(FATAL_ERROR "gzip ${_orbi_man_page}: ${_orbi_man_result}")
    endif()
    string(APPEND _orbi_man_page ".gz")
  endif()
  file(INSTALL DESTINATION "${_orbi_man_dir}/man${_orbi_man_section}"
    TYPE FILE FILES "${_orbi_man_page}")
endmacro()

# orbi_name_drop_comment(<objcopy> <file>...)
#
# In a stripped install (`cmake --install --strip`, and CPack, which strips
# the packages' binaries), removes the .comment section from each installed
# <file> (an absolute path below DESTDIR), as Debian's dh_strip does: it
# holds only the version strings of the compilers that built the objects.
# Does nothing in an install that keeps symbols; a <file> that was not
# installed (an OPTIONAL target not built) is passed over.
function(orbi_name_drop_comment objcopy)
  if(NOT CMAKE_INSTALL_DO_STRIP)
    return()
  endif()
  foreach(file IN LISTS ARGN)
    if(NOT EXISTS "$ENV{DESTDIR}${file}")
      continue()
    endif()
    execute_process(COMMAND "${objcopy}" --remove-section=.comment
      "$ENV{DESTDIR}${file}" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "${objcopy} --remove-section=.comment "
        "$ENV{DESTDIR}${file}: ${result}")
    endif()
  endforeach()
endfunction()

# orbi_name_list_rows(<out> <list> <macro>)
#
# Sets <out> to the rows of <list>, a file of rows <macro>(...) such as
# orbi_name/status.def (comment lines start with //, preprocessor lines with
# #), one element per row: its arguments joined by "|", each string
# argument without its quotes and adjacent strings joined into one. A
# semicolon in a row is kept as the text "<semicolon>", so that it does not
# split the CMake list. The lists hold no quote, backslash or "|" inside a
# string.
function(orbi_name_list_rows out list macro)
  file(READ "${list}" text)
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REGEX REPLACE "(^|\n)[ \t]*(//|#)[^\n]*" "\\1" text "${text}")
  string(REGEX MATCHALL "${macro}\\(([^\"()]|\"[^\"]*\")*\\)" matches
    "${text}")
  set(rows "")
  foreach(match IN LISTS matches)
    string(REGEX REPLACE "^${macro}\\((.*)\\)$" "\\1" args "${match}")
    # Adjacent strings become one, then each string's commas are hidden
    # while the arguments are split at the others.
    string(REGEX REPLACE "\"[ \t\n]*\"" "" args "${args}")
    string(REGEX MATCHALL "\"[^\"]*\"|[^\", \t\n]+" fields "${args}")
    set(row "")
    foreach(field IN LISTS fields)
      string(REGEX REPLACE "^\"(.*)\"$" "\\1" field "${field}")
      if(row STREQUAL "")
        set(row "${field}")
      else()
        string(APPEND row "|${field}")
      endif()
    endforeach()
    list(APPEND rows "${row}")
  endforeach()
  set(${out} "${rows}" PARENT_SCOPE)
endfunction()

# orbi_name_roff_text(<out> <text>)
#
# Sets <out> to <text> as a line of man(7) text: a backslash written as \e,
# a `quoted` word in bold, a leading period or apostrophe made plain text.
function(orbi_name_roff_text out text)
  string(REPLACE "<semicolon>" ";" text "${text}")
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "`([^`]*)`" "\\\\fB\\1\\\\fR" text "${text}")
  string(REGEX REPLACE "^([.'])" "\\\\&\\1" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# orbi_name_status_roff(<out> <list> <macro> [EXCEPT <name>...])
#
# Sets <out> to the statuses of <list> (rows <macro>(NAME, value, MAJOR,
# "message"): orbi_name/status.def, mech/minor_status.def) as man(7) tagged
# paragraphs, one per row but those named after EXCEPT:
#
#   .TP
#   .BR value " NAME"
#   message
#   .RB ( GSS_S_MAJOR ).
function(orbi_name_status_roff out list macro)
  cmake_parse_arguments(PARSE_ARGV 3 arg "" "" "EXCEPT")
  orbi_name_list_rows(rows "${list}" "${macro}")
  set(roff "")
  foreach(row IN LISTS rows)
    string(REPLACE "|" ";" fields "${row}")
    list(LENGTH fields count)
    if(NOT count EQUAL 4)
      message(FATAL_ERROR "${list}: a row of ${macro} is not NAME, value, "
        "MAJOR, \"message\": ${row}")
    endif()
    list(GET fields 0 name)
    list(GET fields 1 value)
    list(GET fields 2 major)
    list(GET fields 3 message)
    list(FIND arg_EXCEPT "${name}" excepted)
    if(excepted GREATER -1)
      continue()
    endif()
    orbi_name_roff_text(message "${message}")
    string(APPEND roff ".TP\n.BR ${value} \" ${name}\"\n${message}\n"
      ".RB ( GSS_S_${major} ).\n")
  endforeach()
  string(REGEX REPLACE "\n$" "" roff "${roff}")
  set(${out} "${roff}" PARENT_SCOPE)
endfunction()

# orbi_name_attribute_roff(<out> <list> <oid>)
#
# Sets <out> to the name attributes of <list> (rows ORBI_ATTRIBUTE(Name,
# "suffix", "values"): mech/name_attributes.def) under the mechanism OID
# <oid> as man(7) tagged paragraphs, one per row:
#
#   .TP
#   .BI urn:oid: <oid> suffix
#   values.
function(orbi_name_attribute_roff out list oid)
  orbi_name_list_rows(rows "${list}" ORBI_ATTRIBUTE)
  set(roff "")
  foreach(row IN LISTS rows)
    string(REPLACE "|" ";" fields "${row}")
    list(LENGTH fields count)
    if(NOT count EQUAL 3)
      message(FATAL_ERROR "${list}: a row of ORBI_ATTRIBUTE is not Name, "
        "\"suffix\", \"values\": ${row}")
    endif()
    list(GET fields 1 suffix)
    list(GET fields 2 values)
    orbi_name_roff_text(values "${values}")
    string(APPEND roff ".TP\n.BI urn:oid: ${oid} ${suffix}\n${values}.\n")
  endforeach()
  string(REGEX REPLACE "\n$" "" roff "${roff}")
  set(${out} "${roff}" PARENT_SCOPE)
endfunction()
