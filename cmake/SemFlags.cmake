# Compiler settings shared by every target.
#
# Floating point is IEEE single precision with gradual underflow on every
# target: SSE2 arithmetic (never x87), no contraction into fused multiply-adds,
# no fast-math, and nothing that sets flush-to-zero or denormals-are-zero.

set(SEM_COMMON_OPTIONS -Wall -Wextra -ffp-contract=off -fno-fast-math)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND SEM_COMMON_OPTIONS -msse2 -mfpmath=sse)
endif()
if(WIN32)
  # Windows headers: no min/max macros, a lean windows.h.
  add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN)
endif()

# Code that goes into a plug-in: no exceptions or RTTI, nothing visible but the
# two entry points.
set(SEM_PLUGIN_OPTIONS -fno-exceptions -fno-rtti -fvisibility=hidden -fvisibility-inlines-hidden)

function(sem_target_common target)
  target_compile_options(${target} PRIVATE ${SEM_COMMON_OPTIONS})
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

function(sem_target_plugin_code target)
  sem_target_common(${target})
  target_compile_options(${target} PRIVATE ${SEM_PLUGIN_OPTIONS})
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# sem_add_plugin(<name> SOURCES <files...> [LIBS <libs...>] [DELIVERABLE])
# Builds <name>.sem into ${SEM_PLUGIN_DIR}; a deliverable also lands in dist/
# on the Windows target.
function(sem_add_plugin name)
  cmake_parse_arguments(ARG "DELIVERABLE" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${ARG_SOURCES})
  sem_target_plugin_code(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} sem_framework)
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".sem"
                        LIBRARY_OUTPUT_DIRECTORY ${SEM_PLUGIN_DIR}
                        RUNTIME_OUTPUT_DIRECTORY ${SEM_PLUGIN_DIR})
  if(WIN32)
    # Exports by name, undecorated, in a fixed order; runtimes linked in so the
    # file needs nothing beside it but Windows itself.
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/framework/module_exports.def)
    target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++
                        -Wl,--kill-at)
    if(ARG_DELIVERABLE)
      # dist/ gets a stripped copy: what a user installs. The build's own copy
      # keeps its symbols. A file missing from dist/ is made again on the next
      # build, even when the library itself is up to date.
      set(dist_file ${PROJECT_SOURCE_DIR}/dist/${name}.sem)
      add_custom_command(OUTPUT ${dist_file}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_SOURCE_DIR}/dist
        COMMAND ${CMAKE_STRIP} --strip-all -o ${dist_file} $<TARGET_FILE:${name}>
        DEPENDS ${name}
        COMMENT "dist/${name}.sem"
        VERBATIM)
      add_custom_target(${name}_dist ALL DEPENDS ${dist_file})
    endif()
  else()
    target_link_options(${name} PRIVATE -Wl,-z,defs
                        -Wl,--version-script=${PROJECT_SOURCE_DIR}/framework/module_exports.map)
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS
                 ${PROJECT_SOURCE_DIR}/framework/module_exports.map)
  endif()
  set_property(GLOBAL APPEND PROPERTY SEM_PLUGINS ${name})
endfunction()
