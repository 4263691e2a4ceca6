# Puts a file, or a symbolic link, where none is yet. The lessons a parent has edited are
# never replaced: not by a rebuild after the sample lessons changed, not by an install over
# an edited copy.
#   include() it and call mulo_place_if_missing(TO COPY FROM) or (TO LINK TARGET), or run
#   cmake -DMULO_PLACE_TO=… -DMULO_PLACE_COPY=… -P place-if-missing.cmake
function(mulo_place_if_missing to)
  cmake_parse_arguments(P "QUIET" "COPY;LINK" "" ${ARGN})
  if(EXISTS "${to}" OR IS_SYMLINK "${to}")
    if(NOT P_QUIET)
      message(STATUS "Keeping what is there: ${to}")
    endif()
    return()
  endif()
  get_filename_component(dir "${to}" DIRECTORY)
  file(MAKE_DIRECTORY "${dir}")
  if(DEFINED P_LINK)
    file(CREATE_LINK "${P_LINK}" "${to}" SYMBOLIC)
  else()
    file(COPY_FILE "${P_COPY}" "${to}")
  endif()
  if(NOT P_QUIET)
    message(STATUS "Installing: ${to}")
  endif()
endfunction()

if(DEFINED MULO_PLACE_TO)
  mulo_place_if_missing("${MULO_PLACE_TO}" COPY "${MULO_PLACE_COPY}" QUIET)
endif()
