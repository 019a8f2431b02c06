# kerf_russian_locale(VAR): compiles the ru_RU.UTF-8 locale into the build
# folder once (only the locales package's sources are needed, not the
# machine's locale list) and sets VAR to its LOCPATH folder, or unsets VAR
# when it cannot be made. A Windows program under Wine takes its ANSI code
# page from LC_ALL: with this locale it runs in code page 1251, that of the
# systems the program is made for.
function(kerf_russian_locale var)
  set(dir ${PROJECT_BINARY_DIR}/locale)
  if(CMAKE_CROSSCOMPILING_EMULATOR AND NOT EXISTS ${dir}/ru_RU.UTF-8/LC_CTYPE)
    find_program(KERF_LOCALEDEF localedef)
    if(KERF_LOCALEDEF)
      file(MAKE_DIRECTORY ${dir})
      # Status 1 only means warnings; the files are written all the same.
      execute_process(COMMAND ${KERF_LOCALEDEF} -i ru_RU -f UTF-8 ${dir}/ru_RU.UTF-8
                      OUTPUT_QUIET ERROR_QUIET)
    endif()
  endif()
  if(EXISTS ${dir}/ru_RU.UTF-8/LC_CTYPE)
    set(${var} ${dir} PARENT_SCOPE)
  else()
    if(CMAKE_CROSSCOMPILING_EMULATOR)
      message(STATUS "cannot compile the ru_RU.UTF-8 locale (install locales); "
                     "the Windows tests run in code page 1252 only")
    endif()
    unset(${var} PARENT_SCOPE)
  endif()
endfunction()
