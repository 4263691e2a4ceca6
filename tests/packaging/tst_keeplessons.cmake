# Lessons a parent edited survive what a parent does again: installing over them, and a
# rebuild after the sample lessons changed.
#   cmake -DBUILD_DIR=… -DSAMPLE=… -DWORK=… -P tst_keeplessons.cmake
file(REMOVE_RECURSE "${WORK}")
set(prefix "${WORK}/root")
set(edited "一二三四\n上下左右\n")

function(install_into prefix)
  execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                  RESULT_VARIABLE failed OUTPUT_QUIET)
  if(failed)
    message(FATAL_ERROR "cmake --install failed")
  endif()
endfunction()

function(expect_lessons path what)
  file(READ "${path}" lessons)
  if(NOT lessons STREQUAL edited)
    message(FATAL_ERROR "${what}: the edited lessons in ${path} were replaced")
  endif()
endfunction()

# A first install brings the sample and its link beside the program.
install_into("${prefix}")
file(READ "${prefix}/etc/mulo/test.txt" installed)
file(READ "${SAMPLE}" sample)
file(READ_SYMLINK "${prefix}/opt/mulo/test.txt" link)
if(NOT installed STREQUAL sample OR NOT link STREQUAL "/etc/mulo/test.txt")
  message(FATAL_ERROR "a first install does not bring the sample lessons and their link")
endif()

# Edited, then installed over: kept. A real file in the link's place is kept too.
file(WRITE "${prefix}/etc/mulo/test.txt" "${edited}")
file(REMOVE "${prefix}/opt/mulo/test.txt")
file(WRITE "${prefix}/opt/mulo/test.txt" "${edited}")
install_into("${prefix}")
expect_lessons("${prefix}/etc/mulo/test.txt" "installing again")
expect_lessons("${prefix}/opt/mulo/test.txt" "installing again")

# The build's own lessons, edited, after the sample changed (a newer sample file).
file(WRITE "${WORK}/build/test.txt" "${edited}")
file(WRITE "${WORK}/newer-sample.txt" "春夏秋冬\n")
execute_process(COMMAND "${CMAKE_COMMAND}" -DMULO_PLACE_TO=${WORK}/build/test.txt
                        -DMULO_PLACE_COPY=${WORK}/newer-sample.txt
                        -P "${CMAKE_CURRENT_LIST_DIR}/../../assets/place-if-missing.cmake")
expect_lessons("${WORK}/build/test.txt" "a rebuild")
file(REMOVE_RECURSE "${WORK}")
