# Run at install time: the program folder's own files that must not be
# replaced, and the desktop menu entry registered for the user.
set(prefix "${CMAKE_INSTALL_PREFIX}")
get_filename_component(prefix "${prefix}" ABSOLUTE)

# The password file only when none is there: a changed password stays.
if(NOT EXISTS "${prefix}/unins000.dll")
    file(COPY "${SCORTEX_PASSWORD_FILE}" DESTINATION "${prefix}")
endif()

file(COPY "${SCORTEX_ICON}" DESTINATION "${prefix}")
get_filename_component(icon_name "${SCORTEX_ICON}" NAME)
set(desktop "[Desktop Entry]
Type=Application
Name=Scortex
GenericName=Magazzino e fornitori
Comment=Fornitori, magazzino e operazioni di carico
Exec=\"${prefix}/scortex\"
Path=${prefix}
Icon=${prefix}/${icon_name}
Terminal=false
Categories=Office;
")
file(WRITE "${prefix}/scortex.desktop" "${desktop}")
message(STATUS "Installing: ${prefix}/scortex.desktop")

# Registered for the user, so that Scortex appears in the desktop's menu.
if(DEFINED ENV{HOME} AND NOT "$ENV{SCORTEX_NO_MENU}")
    set(data "$ENV{HOME}/.local/share")
    if(DEFINED ENV{XDG_DATA_HOME})
        set(data "$ENV{XDG_DATA_HOME}")
    endif()
    file(MAKE_DIRECTORY "${data}/applications")
    file(WRITE "${data}/applications/scortex.desktop" "${desktop}")
    message(STATUS "Installing: ${data}/applications/scortex.desktop")
endif()
