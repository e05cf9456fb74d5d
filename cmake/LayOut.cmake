# Lays out or updates a program directory: cmake -DDEST=dir -DGENERATED=dir -DDATA=dir [-DMANUAL=dir] -P LayOut.cmake
# Read-only assets (the area codes, the manual) are replaced; the user's data (the contact database, notes,
# settings, photos) is only ever created when it is missing, never overwritten. MANUAL holds help.html and its
# pictures in help/ (default: docs/ of the source tree).
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
        if(NOT result STREQUAL "0" AND NOT result STREQUAL "NO_REPLACE")
            # No hard links on this file system (FAT, some network shares): a plain rename, which fails loudly,
            # instead of silently leaving the file out.
            if(NOT EXISTS "${to}" AND NOT IS_SYMLINK "${to}")
                file(RENAME "${to}.new" "${to}")
            endif()
        endif()
        file(REMOVE "${to}.new")
    endif()
endfunction()

# SQLite would replay a WAL or hot journal left by a vanished database into the fresh one and break it. They hold
# the last changes of that database, so they are moved aside, never deleted.
function(set_aside_leftovers database)
    if(EXISTS "${database}" OR IS_SYMLINK "${database}")
        return()
    endif()
    string(TIMESTAMP stamp "%Y%m%d%H%M%S")
    foreach(suffix -wal -shm -journal)
        set(leftover "${database}${suffix}")
        if(EXISTS "${leftover}" OR IS_SYMLINK "${leftover}")
            set(aside "${leftover}.orphan-${stamp}")
            set(n 1)
            while(EXISTS "${aside}" OR IS_SYMLINK "${aside}")
                math(EXPR n "${n} + 1")
                set(aside "${leftover}.orphan-${stamp}-${n}")
            endwhile()
            file(RENAME "${leftover}" "${aside}")
        endif()
    endforeach()
endfunction()

replace_asset("${GENERATED}/qh.mdb" "${DEST}/qh.mdb")

# The manual: pictures first, so a page that is already new never points at a picture still missing.
if(NOT DEFINED MANUAL)
    set(MANUAL "${CMAKE_CURRENT_LIST_DIR}/../docs")
endif()
if(NOT EXISTS "${MANUAL}/help.html")
    message(FATAL_ERROR "LayOut.cmake: no manual ${MANUAL}/help.html")
endif()
# A link or a file in place of help/ would have the pictures written somewhere else.
if(IS_SYMLINK "${DEST}/help" OR (EXISTS "${DEST}/help" AND NOT IS_DIRECTORY "${DEST}/help"))
    message(FATAL_ERROR "LayOut.cmake: ${DEST}/help is not a folder; move it aside so the manual's pictures can go there")
endif()
file(MAKE_DIRECTORY "${DEST}/help")
file(GLOB pictures RELATIVE "${MANUAL}/help" "${MANUAL}/help/*.png")
foreach(picture IN LISTS pictures)
    replace_asset("${MANUAL}/help/${picture}" "${DEST}/help/${picture}")
endforeach()
replace_asset("${MANUAL}/help.html" "${DEST}/help.html")
set_aside_leftovers("${DEST}/call.mdb")
create_if_missing("${GENERATED}/call.mdb" "${DEST}/call.mdb")
create_if_missing("${DATA}/set.ini" "${DEST}/set.ini")
create_if_missing("${DATA}/modal/set.ini" "${DEST}/modal/set.ini")
create_if_missing("${GENERATED}/no.bmp" "${DEST}/photo/no.bmp")
if(NOT EXISTS "${DEST}/zzz" AND NOT IS_SYMLINK "${DEST}/zzz")
    file(TOUCH "${DEST}/zzz")
endif()
