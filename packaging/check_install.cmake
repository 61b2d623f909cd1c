# Installs a build into a fresh prefix and checks the installed tree: both programs, the desktop
# entry, its icon and the metainfo where a Linux desktop looks for them, the documentation and
# the example frames. Then runs the installed programs, which must not need the build tree:
# vireo-cli also with --render-dir.
#
#   cmake -DVIREO_BUILD_DIR=<build> -DVIREO_PREFIX=<empty folder to use> -DVIREO_APP_ID=<id>
#         -P check_install.cmake
cmake_minimum_required(VERSION 3.25)

set(failures "")
macro(fail message)
    string(APPEND failures "  ${message}\n")
endmacro()

file(REMOVE_RECURSE "${VIREO_PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${VIREO_BUILD_DIR}" --prefix "${VIREO_PREFIX}"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${status}):\n${output}")
endif()

foreach(program vireo vireo-cli)
    set(file "${VIREO_PREFIX}/bin/${program}")
    if(NOT EXISTS "${file}" OR IS_DIRECTORY "${file}")
        fail("bin/${program} is missing")
        continue()
    endif()
    execute_process(COMMAND "${file}" --version RESULT_VARIABLE status OUTPUT_VARIABLE out
                    ERROR_VARIABLE err)
    if(NOT status EQUAL 0 OR NOT out MATCHES "^${program} [0-9]+\\.[0-9]+\\.[0-9]+\n$")
        fail("bin/${program} --version gave ${status}: '${out}' '${err}'")
    endif()
    execute_process(COMMAND "${file}" --help RESULT_VARIABLE status OUTPUT_VARIABLE out)
    if(NOT status EQUAL 0 OR NOT out MATCHES "Usage: [^\n]*${program} ")
        fail("bin/${program} --help gave ${status}: '${out}'")
    endif()
endforeach()

set(samples "${VIREO_PREFIX}/share/vireo/samples")
set(entry "${VIREO_PREFIX}/share/applications/${VIREO_APP_ID}.desktop")
if(NOT EXISTS "${entry}")
    fail("share/applications/${VIREO_APP_ID}.desktop is missing")
else()
    file(STRINGS "${entry}" lines)
    foreach(expected "[Desktop Entry]" "Type=Application" "Name=Vireo" "Icon=${VIREO_APP_ID}"
            "Exec=vireo --samples-by-default %f" "MimeType=inode/directory;")
        if(NOT expected IN_LIST lines)
            fail("the desktop entry has no line '${expected}'")
        endif()
    endforeach()
endif()

foreach(file share/metainfo/${VIREO_APP_ID}.metainfo.xml share/doc/vireo/copyright
        share/doc/vireo/changelog.gz share/man/man1/vireo.1.gz share/man/man1/vireo-cli.1.gz)
    if(NOT EXISTS "${VIREO_PREFIX}/${file}")
        fail("${file} is missing")
    endif()
endforeach()

# The desktop's own checker, where it is installed (package desktop-file-utils).
find_program(validator desktop-file-validate)
if(validator AND EXISTS "${entry}")
    execute_process(COMMAND "${validator}" "${entry}" RESULT_VARIABLE status OUTPUT_VARIABLE out
                    ERROR_VARIABLE out)
    if(NOT status EQUAL 0)
        fail("desktop-file-validate refuses the desktop entry: ${out}")
    endif()
endif()

set(icon "${VIREO_PREFIX}/share/icons/hicolor/scalable/apps/${VIREO_APP_ID}.svg")
if(NOT EXISTS "${icon}")
    fail("share/icons/hicolor/scalable/apps/${VIREO_APP_ID}.svg is missing")
else()
    file(READ "${icon}" text)
    if(NOT text MATCHES "<svg [^>]*viewBox=")
        fail("the icon is not an SVG picture")
    endif()
endif()

set(expectedSamples README.md real/README.md)
foreach(n RANGE 0 12)
    list(APPEND expectedSamples "pic${n}.bmp")
endforeach()
foreach(n RANGE 0 20)
    list(APPEND expectedSamples "real/pic${n}.bmp")
endforeach()
foreach(sample IN LISTS expectedSamples)
    if(NOT EXISTS "${samples}/${sample}")
        fail("share/vireo/samples/${sample} is missing")
    endif()
endforeach()

# The installed vireo-cli finds every bundled frame: a header line and one record per frame.
execute_process(COMMAND "${VIREO_PREFIX}/bin/vireo-cli" --dir "${samples}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REGEX MATCHALL "\n" newlines "${out}")
list(LENGTH newlines records)
if(NOT status EQUAL 0 OR NOT records EQUAL 14)
    fail("vireo-cli --dir share/vireo/samples gave ${status} and ${records} lines: ${err}")
endif()

# With --render-dir it writes a PNG.
set(render "${VIREO_PREFIX}/render-check")
execute_process(COMMAND "${VIREO_PREFIX}/bin/vireo-cli" --dir "${samples}" --render-dir "${render}" 5
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(picture "${render}/vireo5.png")
if(EXISTS "${picture}")
    file(READ "${picture}" signature LIMIT 8 HEX)
endif()
if(NOT status EQUAL 0 OR NOT signature STREQUAL "89504e470d0a1a0a")
    fail("vireo-cli --render-dir gave ${status} and no PNG ${picture}: ${err}")
endif()

if(failures)
    message(FATAL_ERROR "the installed tree in ${VIREO_PREFIX} is wrong:\n${failures}")
endif()
message(STATUS "installed tree in ${VIREO_PREFIX} is complete")
