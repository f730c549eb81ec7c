# Checks that a built headtrim.exe carries its version resource and its
# application manifest: both in the resource directory, the version numbers
# and strings in the version resource, and the execution level and supported
# Windows versions in the manifest.
#   cmake -DEXE=... -DOBJDUMP=...-objdump -DVERSION=x.y.z -P check-resources.cmake
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "objdump could not read ${EXE}")
endif()
# Type 0x10 is RT_VERSION, type 0x18 RT_MANIFEST; each needs the entry ID 1.
foreach(type 000010 000018)
    if(NOT headers MATCHES "Entry: ID: 0x${type}, [^\n]*\n[^\n]*Name Table[^\n]*\n[^\n]*Entry: ID: 0x000001,")
        message(FATAL_ERROR "no resource of type 0x${type} with ID 1 in ${EXE}:\n${headers}")
    endif()
endforeach()

file(READ ${EXE} image HEX)

function(require what hex)
    string(FIND "${image}" "${hex}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${EXE} lacks ${what}")
    endif()
endfunction()

function(utf16_hex text out)
    string(HEX "${text}" hex)
    string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
    set(${out} "${hex}" PARENT_SCOPE)
endfunction()

# A 32-bit little-endian value made of a high and a low 16-bit half.
function(dword_hex high low out)
    set(hex "")
    foreach(half ${low} ${high})
        math(EXPR lo "${half} & 255" OUTPUT_FORMAT HEXADECIMAL)
        math(EXPR hi "${half} >> 8" OUTPUT_FORMAT HEXADECIMAL)
        foreach(byte ${lo} ${hi})
            string(REPLACE "0x" "" byte "${byte}")
            string(LENGTH "${byte}" length)
            if(length EQUAL 1)
                set(byte "0${byte}")
            endif()
            string(APPEND hex "${byte}")
        endforeach()
    endforeach()
    set(${out} "${hex}" PARENT_SCOPE)
endfunction()

# VS_FIXEDFILEINFO: the signature, structure version 1.0, then the file and
# the product version as major.minor, patch.0.
string(REPLACE "." ";" parts "${VERSION}")
list(GET parts 0 major)
list(GET parts 1 minor)
list(GET parts 2 patch)
dword_hex(${major} ${minor} ms)
dword_hex(${patch} 0 ls)
require("the fixed version ${VERSION}.0" "bd04effe00000100${ms}${ls}${ms}${ls}")

# String values: the key, NUL, padding to a 4-byte boundary, the value, NUL.
foreach(pair "ProductName=headtrim" "FileVersion=${VERSION}" "ProductVersion=${VERSION}"
             "OriginalFilename=headtrim.exe" "FileDescription=headtrim - "
             "LegalCopyright=Copyright (c) ")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 key)
    list(GET pair 1 value)
    utf16_hex("${key}" key_hex)
    utf16_hex("${value}" value_hex)
    if(NOT image MATCHES "${key_hex}0000(0000)?${value_hex}")
        message(FATAL_ERROR "${EXE}: no version string ${key} beginning with '${value}'")
    endif()
endforeach()
utf16_hex("MIT License" mit_hex)
require("the license in LegalCopyright" "${mit_hex}")

# The manifest, stored as UTF-8.
foreach(text
        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"
        "<assemblyIdentity type=\"win32\" name=\"headtrim\" version=\"${VERSION}.0\""
        "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>"   # Vista
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>"   # 7
        "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>"   # 8
        "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>"   # 8.1
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>")  # 10 and 11
    string(HEX "${text}" hex)
    require("${text} in its manifest" "${hex}")
endforeach()
message(STATUS "${EXE}: version resource ${VERSION}.0 and manifest present")
