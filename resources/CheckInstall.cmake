# Installs the build into a scratch prefix and checks the installed layout:
#   cmake -DBUILD_DIR=... -DSTAGE_DIR=... -DCONFIG=... -DSOURCE_TAGS=...
#         -DBINDIR=bin -DDATADIR=share [-DDESKTOP_FILE_VALIDATE=...]
#         -P CheckInstall.cmake
cmake_minimum_required(VERSION 3.25)

foreach(var BUILD_DIR STAGE_DIR SOURCE_TAGS BINDIR DATADIR)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

# Reports a fault and carries on, so one run lists every fault; any of them
# makes the script fail.
function(fail text)
  message(SEND_ERROR "${text}")
endfunction()

# A stale tree from an earlier run must not make a check pass.
file(REMOVE_RECURSE "${STAGE_DIR}")

function(run_install)
  set(config_args "")
  if(CONFIG)
    set(config_args --config "${CONFIG}")
  endif()
  execute_process(COMMAND ${ARGN} ${config_args}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Install failed (${result}):\n${out}")
  endif()
endfunction()

# Checks one installed tree; `prefix` is where it landed on disk.
function(check_tree prefix)
  set(program "${prefix}/lib/pergalot/pergalot")
  set(tags "${prefix}/lib/pergalot/tags.lst")
  set(link "${prefix}/${BINDIR}/pergalot")
  set(desktop "${prefix}/${DATADIR}/applications/pergalot.desktop")
  set(icon "${prefix}/${DATADIR}/icons/hicolor/scalable/apps/pergalot.svg")

  if(NOT EXISTS "${program}" OR IS_DIRECTORY "${program}" OR IS_SYMLINK "${program}")
    fail("The executable is not a file at ${program}")
  endif()

  if(NOT EXISTS "${tags}")
    fail("tags.lst is missing beside the executable: ${tags}")
  else()
    file(SHA256 "${tags}" installed_hash)
    file(SHA256 "${SOURCE_TAGS}" source_hash)
    if(NOT installed_hash STREQUAL source_hash)
      fail("The installed tags.lst differs from ${SOURCE_TAGS}")
    endif()
  endif()

  if(NOT IS_SYMLINK "${link}")
    fail("${link} is not a symbolic link")
  else()
    file(READ_SYMLINK "${link}" link_text)
    if(IS_ABSOLUTE "${link_text}")
      fail("${link} points to the absolute path ${link_text}; it must be relative")
    endif()
    file(REAL_PATH "${link}" link_resolved)
    file(REAL_PATH "${program}" program_resolved)
    if(NOT EXISTS "${link_resolved}" OR NOT link_resolved STREQUAL program_resolved)
      fail("${link} resolves to ${link_resolved}, not to ${program_resolved}")
    endif()
  endif()

  if(NOT EXISTS "${icon}")
    fail("The application icon is missing: ${icon}")
  else()
    file(READ "${icon}" icon_text)
    if(NOT icon_text MATCHES "<svg")
      fail("${icon} is not an SVG image")
    endif()
  endif()

  if(NOT EXISTS "${desktop}")
    fail("The desktop entry is missing: ${desktop}")
    return()
  endif()
  file(STRINGS "${desktop}" lines ENCODING UTF-8)
  set(name_ok FALSE)
  set(category_ok FALSE)
  set(exec_ok FALSE)
  set(icon_ok FALSE)
  foreach(line IN LISTS lines)
    if(line STREQUAL "Name=Пергалот")
      set(name_ok TRUE)
    elseif(line MATCHES "^Categories=(.*)$")
      if(CMAKE_MATCH_1 MATCHES "(^|;)TextEditor(;|$)")
        set(category_ok TRUE)
      endif()
    elseif(line STREQUAL "Exec=pergalot")
      set(exec_ok TRUE)
    elseif(line STREQUAL "Icon=pergalot")
      set(icon_ok TRUE)
    endif()
  endforeach()
  if(NOT name_ok)
    fail("${desktop} has no line Name=Пергалот")
  endif()
  if(NOT category_ok)
    fail("${desktop} has no Categories= line naming TextEditor")
  endif()
  if(NOT exec_ok)
    fail("${desktop} does not start the program as Exec=pergalot")
  endif()
  if(NOT icon_ok)
    fail("${desktop} does not name its icon as Icon=pergalot")
  endif()

  if(DESKTOP_FILE_VALIDATE)
    execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${desktop}"
      RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0)
      fail("desktop-file-validate rejects ${desktop}:\n${out}")
    endif()
  else()
    message(STATUS "desktop-file-validate not found; desktop entry checked by content only")
  endif()
endfunction()

# An ordinary install into a prefix.
set(prefix "${STAGE_DIR}/prefix")
run_install("${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}")
check_tree("${prefix}")

# A packager's staged install: everything, the link included, goes under
# DESTDIR, and the link still points within the tree.
set(destdir "${STAGE_DIR}/destdir")
run_install("${CMAKE_COMMAND}" -E env "DESTDIR=${destdir}"
  "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr/local)
check_tree("${destdir}/usr/local")
