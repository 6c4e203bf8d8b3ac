# The support upload: packing, the FTP/HTTP session and the job that runs them need no window.
pkg_check_modules(LIBCURL REQUIRED IMPORTED_TARGET libcurl)
add_library(grocelle_upload STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CurlSession.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UploadJob.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UploadPacker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UploadText.cpp
)
target_include_directories(grocelle_upload PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(grocelle_upload PUBLIC grocelle_data grocelle_engine grocelle_app Qt6::Core PkgConfig::LIBCURL)

# The two upload dialogs and the Help menu entry.
add_library(grocelle_upload_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/UploadCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UploadDBForm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UploadProgressForm.cpp
)
target_link_libraries(grocelle_upload_ui PUBLIC grocelle_upload grocelle_app grocelle_controls Qt6::Widgets)
