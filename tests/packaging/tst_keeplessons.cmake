# Lessons a parent edited survive what a parent does again: installing over them (or over a
# link of theirs), and rebuilding.
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

# A parent's own link in the lessons' place, whose target is missing at install time: kept.
file(REMOVE "${prefix}/opt/mulo/test.txt")
file(CREATE_LINK "/nonexistent/lessons.txt" "${prefix}/opt/mulo/test.txt" SYMBOLIC)
install_into("${prefix}")
file(READ_SYMLINK "${prefix}/opt/mulo/test.txt" link)
if(NOT link STREQUAL "/nonexistent/lessons.txt")
  message(FATAL_ERROR "installing replaced a parent's link to lessons that are not there now")
endif()

# The build's own lessons, edited, through the build's own rule, which runs at every build.
set(lessons "${BUILD_DIR}/test.txt")
file(RENAME "${lessons}" "${WORK}/build-lessons.txt")
file(WRITE "${lessons}" "${edited}")
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BUILD_DIR}" --target mulo_sample_lessons
                RESULT_VARIABLE failed OUTPUT_QUIET)
file(READ "${lessons}" rebuilt)
file(RENAME "${WORK}/build-lessons.txt" "${lessons}")
if(failed OR NOT rebuilt STREQUAL edited)
  message(FATAL_ERROR "a rebuild replaced the edited lessons in ${lessons}")
endif()
file(REMOVE_RECURSE "${WORK}")
