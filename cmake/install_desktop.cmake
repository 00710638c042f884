# Run at install time: the program folder's own files that must not be
# replaced, and the desktop menu entry registered for the user.
set(prefix "${CMAKE_INSTALL_PREFIX}")
get_filename_component(prefix "${prefix}" ABSOLUTE)
# Where the files go now (a staged install writes under DESTDIR); the menu
# entry names where they will be.
set(target "$ENV{DESTDIR}${prefix}")
# The Exec key's quoting: \, ", ` and $ escaped, % doubled.
set(exec "${prefix}/scortex")
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "\"" "\\\"" exec "${exec}")
string(REPLACE "`" "\\`" exec "${exec}")
string(REPLACE "$" "\\$" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")

# The password file only when none is there: a changed password stays.
if(NOT EXISTS "${target}/unins000.dll")
    file(COPY "${SCORTEX_PASSWORD_FILE}" DESTINATION "${target}")
endif()

file(COPY "${SCORTEX_ICON}" DESTINATION "${target}")
get_filename_component(icon_name "${SCORTEX_ICON}" NAME)
set(desktop "[Desktop Entry]
Type=Application
Name=Scortex
GenericName=Magazzino e fornitori
Comment=Fornitori, magazzino e operazioni di carico
Exec=\"${exec}\"
Path=${prefix}
Icon=${prefix}/${icon_name}
Terminal=false
Categories=Office;
")
file(WRITE "${target}/scortex.desktop" "${desktop}")
message(STATUS "Installing: ${target}/scortex.desktop")

# Registered for the user, so that Scortex appears in the desktop's menu.
if(DEFINED ENV{HOME} AND NOT "$ENV{SCORTEX_NO_MENU}" AND "$ENV{DESTDIR}" STREQUAL "")
    set(data "$ENV{HOME}/.local/share")
    if(DEFINED ENV{XDG_DATA_HOME})
        set(data "$ENV{XDG_DATA_HOME}")
    endif()
    file(MAKE_DIRECTORY "${data}/applications")
    file(WRITE "${data}/applications/scortex.desktop" "${desktop}")
    message(STATUS "Installing: ${data}/applications/scortex.desktop")
endif()
