# The settings dialogs are Qt windows: they join the window library, never the core.
set(_dir ${CMAKE_CURRENT_LIST_DIR})
target_sources(quillon_ui PRIVATE
    ${_dir}/SoundPreview.h ${_dir}/QtSoundPreview.h ${_dir}/QtSoundPreview.cpp
    ${_dir}/SettingsDialogLook.h ${_dir}/SettingsDialogLook.cpp
    ${_dir}/SettingsPictures.h ${_dir}/SettingsPictures.cpp
    ${_dir}/CDlgRuntimeParams.h ${_dir}/CDlgRuntimeParams.cpp
    ${_dir}/CDlgSelectSerial.h ${_dir}/CDlgSelectSerial.cpp)
