# Copies SRC to DST unless DST exists: a password changed in the program
# folder survives rebuilds.
if(NOT EXISTS "${DST}")
    file(COPY_FILE "${SRC}" "${DST}")
endif()
