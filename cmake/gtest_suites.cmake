# Run by CTest as it starts (a TEST_INCLUDE_FILES script), for one test executable: registers one
# CTest test per GoogleTest suite of it, which runs that suite's tests in one process. A process
# per test would start the OpenGL driver again for each of three hundred tests, a third of the
# suite's time; a suite (PhotoSceneTest, CaptureFailures, ...) is what one works on at a time.
# Set by the generated caller: EXECUTABLE, PREFIX_PROPERTIES (ENVIRONMENT, TIMEOUT, COST ...),
# WORKING_DIRECTORY.
if(NOT EXISTS "${EXECUTABLE}")
  add_test("${EXECUTABLE}_NOT_BUILT" "${EXECUTABLE}")
  return()
endif()
execute_process(COMMAND "${EXECUTABLE}" --gtest_list_tests
  WORKING_DIRECTORY "${WORKING_DIRECTORY}" OUTPUT_VARIABLE listing RESULT_VARIABLE listed
  TIMEOUT 60)
if(NOT listed EQUAL 0)
  # A test that fails, saying why, rather than tests quietly missing.
  add_test("${EXECUTABLE}_LISTING" "${EXECUTABLE}" --gtest_list_tests)
  return()
endif()
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  # Suites start in the first column and end with a dot ("Suite." or "Prefix/Suite."), the
  # tests under them are indented; a comment may follow either.
  if(line MATCHES "^([^ #]+)\\.( |$)")
    set(suite "${CMAKE_MATCH_1}")
    add_test("${suite}" "${EXECUTABLE}" "--gtest_filter=${suite}.*")
    set_tests_properties("${suite}" PROPERTIES WORKING_DIRECTORY "${WORKING_DIRECTORY}"
      ${PREFIX_PROPERTIES})
  endif()
endforeach()
