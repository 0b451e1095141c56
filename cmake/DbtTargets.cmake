# Warning flags for every target of ours, -Werror behind DBT_WERROR (set in CI).
function(dbt_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wpedantic)
  if(DBT_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# A static library of one subsystem; its public headers are included as "folder/header.h".
function(dbt_library target)
  add_library(${target} STATIC ${ARGN})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  dbt_warnings(${target})
endfunction()
