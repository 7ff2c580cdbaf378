# The log browser and the file picker seam are Qt pieces: they join the window library, never
# the core.
set(_dir ${CMAKE_CURRENT_LIST_DIR})
target_sources(quillon_ui PRIVATE
    ${_dir}/FilePicker.h ${_dir}/FilePicker.cpp
    ${_dir}/CDlgViewLogs.h ${_dir}/CDlgViewLogs.cpp)
