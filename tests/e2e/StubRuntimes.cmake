# Stand-in runtime libraries for the start-up tests, each with the definitions that make it
# what its name says, built from StubRuntime.cpp into <binary dir>/stubs. Used by the Linux
# tests here and by the Windows tests.
set(STUB_DEFS_incomplete STUB_OMIT_LAST)
set(STUB_DEFS_foreign)
set(STUB_DEFS_faulting STUB_HAS_INIT STUB_FAULT_IN_INIT)
set(STUB_DEFS_faulting_twice STUB_HAS_INIT STUB_FAULT_IN_INIT STUB_FAULT_IN_FREE)
set(STUB_DEFS_faulting_on_thread STUB_HAS_INIT STUB_FAULT_ON_THREAD)
set(STUB_DEFS_faulting_on_unload STUB_HAS_INIT STUB_FAULT_ON_UNLOAD)
set(KELDO_STUB_RUNTIME_SOURCE ${CMAKE_CURRENT_LIST_DIR}/StubRuntime.cpp)

# Makes stub_runtime_<kind> for each kind given; sets STUB_TARGETS and STUB_PATHS (the
# compile definitions KELDO_STUB_<kind>="<file>") in the caller's scope.
function(keldo_stub_runtimes)
  set(targets)
  set(paths)
  foreach(kind ${ARGN})
    add_library(stub_runtime_${kind} MODULE ${KELDO_STUB_RUNTIME_SOURCE})
    target_link_libraries(stub_runtime_${kind} PRIVATE tolvex_contract)
    if(TARGET Threads::Threads)
      target_link_libraries(stub_runtime_${kind} PRIVATE Threads::Threads)
    endif()
    target_compile_definitions(stub_runtime_${kind} PRIVATE STUB_KIND="${kind}" ${STUB_DEFS_${kind}})
    set_target_properties(stub_runtime_${kind} PROPERTIES PREFIX "" SUFFIX ".vsd"
      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/stubs)
    # Their faults are on purpose: a sanitizer must not stop them first.
    target_compile_options(stub_runtime_${kind} PRIVATE -fno-sanitize=all)
    list(APPEND targets stub_runtime_${kind})
    list(APPEND paths "KELDO_STUB_${kind}=\"$<TARGET_FILE:stub_runtime_${kind}>\"")
  endforeach()
  set(STUB_TARGETS ${targets} PARENT_SCOPE)
  set(STUB_PATHS ${paths} PARENT_SCOPE)
endfunction()
