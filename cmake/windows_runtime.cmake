# What a Windows program built with Qt loads, copied beside it so that it runs from the
# build tree (under Wine here) as it does from the package: the Qt DLLs, the platform
# plugins (windows, and offscreen for the tests), the Windows style and the MinGW runtime
# DLLs that a shared Qt needs.
function(tarvos_mingw_runtime_dlls out)
  set(dlls)
  foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
      message(FATAL_ERROR "The compiler's runtime ${name} was not found (${path})")
    endif()
    list(APPEND dlls ${path})
  endforeach()
  set(${out} ${dlls} PARENT_SCOPE)
endfunction()

# tarvos_qt_runtime(TARGET [Qt6::Module...]): Core, Gui, Widgets and PrintSupport, and
# the modules named.
function(tarvos_qt_runtime target)
  tarvos_mingw_runtime_dlls(runtime)
  set(dlls)
  foreach(module Qt6::Core Qt6::Gui Qt6::Widgets Qt6::PrintSupport ${ARGN})
    list(APPEND dlls $<TARGET_FILE:${module}>)
  endforeach()
  set(dir $<TARGET_FILE_DIR:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dlls} ${runtime} ${dir}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/platforms ${dir}/styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
            $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
            $<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin> ${dir}/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
            $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> ${dir}/styles
    VERBATIM)
endfunction()
