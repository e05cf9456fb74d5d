# Lays out or updates a program directory: cmake -DDEST=dir -DGENERATED=dir -DDATA=dir -P LayOut.cmake
# Read-only assets are replaced; the user's data (the contact database, notes, settings, photos) is only ever
# created when it is missing, never overwritten.
foreach(var DEST GENERATED DATA)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "LayOut.cmake needs -D${var}=...")
    endif()
endforeach()

file(MAKE_DIRECTORY "${DEST}" "${DEST}/photo" "${DEST}/modal")

# Replace through a temporary name and a rename, so a running copy never sees a half-written file.
function(replace_asset from to)
    if(EXISTS "${to}")
        file(SHA256 "${from}" new_hash)
        file(SHA256 "${to}" old_hash)
        if(new_hash STREQUAL old_hash)
            return()
        endif()
    endif()
    file(COPY_FILE "${from}" "${to}.new")
    file(RENAME "${to}.new" "${to}")
endfunction()

function(create_if_missing from to)
    if(NOT EXISTS "${to}" AND NOT IS_SYMLINK "${to}")
        file(COPY_FILE "${from}" "${to}.new")
        # NO_REPLACE keeps a file that appeared meanwhile; it links, so the temporary name is removed after.
        file(RENAME "${to}.new" "${to}" NO_REPLACE RESULT result)
        file(REMOVE "${to}.new")
    endif()
endfunction()

replace_asset("${GENERATED}/qh.mdb" "${DEST}/qh.mdb")
create_if_missing("${GENERATED}/call.mdb" "${DEST}/call.mdb")
create_if_missing("${DATA}/set.ini" "${DEST}/set.ini")
create_if_missing("${DATA}/modal/set.ini" "${DEST}/modal/set.ini")
create_if_missing("${GENERATED}/no.bmp" "${DEST}/photo/no.bmp")
if(NOT EXISTS "${DEST}/zzz" AND NOT IS_SYMLINK "${DEST}/zzz")
    file(TOUCH "${DEST}/zzz")
endif()
