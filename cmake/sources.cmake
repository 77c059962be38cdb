# What the program build and the fuzz build share: the build options the
# program reads, and the rule that picks the sources of the core.

set(PELKO_FEED_BASE "https://api.pelko.com" CACHE STRING "Base address of the list API")
set(PELKO_DINGTALK_BASE "https://oapi.dingtalk.com" CACHE STRING "Base address of the DingTalk robot")
set(PELKO_SERVERCHAN_BASE "https://sctapi.ftqq.com" CACHE STRING "Base address of ServerChan")
set(PELKO_SERVERCHAN3_BASE "https://{uid}.push.ft07.com" CACHE STRING "Base address of ServerChan3 ({uid}: the key's digits)")

# Each platform difference sits in a file named after its backend.
set(PELKO_ALL_BACKENDS posix fltk curl win win32 wininet)

# pelko_core_sources(<out> <root> <backend>...): the paths, relative to
# <root>, of every source of src/ but main.cpp and the files of the
# backends not named.
function(pelko_core_sources out root)
  foreach(backend IN LISTS ARGN)
    if(NOT backend IN_LIST PELKO_ALL_BACKENDS)
      message(FATAL_ERROR "unknown backend '${backend}' (known: ${PELKO_ALL_BACKENDS})")
    endif()
  endforeach()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS RELATIVE ${root} ${root}/src/*.cpp)
  list(FILTER sources EXCLUDE REGEX "^src/app/main\\.cpp$")
  foreach(backend IN LISTS PELKO_ALL_BACKENDS)
    if(NOT backend IN_LIST ARGN)
      list(FILTER sources EXCLUDE REGEX "_${backend}\\.cpp$")
    endif()
  endforeach()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()

# The build options as the sources see them.
function(pelko_service_definitions target)
  target_compile_definitions(${target} PUBLIC
    PELKO_FEED_BASE="${PELKO_FEED_BASE}"
    PELKO_DINGTALK_BASE="${PELKO_DINGTALK_BASE}"
    PELKO_SERVERCHAN_BASE="${PELKO_SERVERCHAN_BASE}"
    PELKO_SERVERCHAN3_BASE="${PELKO_SERVERCHAN3_BASE}")
endfunction()
