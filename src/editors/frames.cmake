# Qt frames, one per model, and the Qt pieces they share.
add_library(tw_frames STATIC
  editor_frame.h
  editor_frame.cpp
  qt_fields.h
  qt_fields.cpp
  kx4x/kx41_frame.h
  kx4x/kx41_frame.cpp
)
target_include_directories(tw_frames PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tw_frames PUBLIC tw_models tw_ui Qt6::Widgets)
target_compile_options(tw_frames PRIVATE ${TW_WARNINGS})
tw_qt_target(tw_frames)
