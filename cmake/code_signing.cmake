# The vendor's code-signing certificate for the published installer: a
# PKCS#12 file, or a certificate (with its chain) and its key in PEM, and a
# password file when the key is encrypted. Without them nothing is signed.
set(ZORV_CODE_SIGNING_PKCS12 "" CACHE FILEPATH "The vendor's code-signing certificate and key (PKCS#12)")
set(ZORV_CODE_SIGNING_CERT "" CACHE FILEPATH "The vendor's code-signing certificate with its chain (PEM)")
set(ZORV_CODE_SIGNING_KEY "" CACHE FILEPATH "The code-signing certificate's private key (PEM)")
set(ZORV_CODE_SIGNING_PASSWORD_FILE "" CACHE FILEPATH "A file holding the PKCS#12 file's or the key's password")
set(ZORV_CODE_SIGNING_TIMESTAMP_URL "" CACHE STRING "An RFC 3161 time-stamp server for the code signature")
set(ZORV_OSSLSIGNCODE "" CACHE FILEPATH "osslsigncode, which makes the code signature")

# Signs target's file after every link of it: zorv_code_sign(target description).
function(zorv_code_sign target description)
    # Another certificate, key or setting links the program anew, so that
    # it is signed with them, or without them left unsigned.
    set(script ${CMAKE_SOURCE_DIR}/cmake/sign_program.cmake)
    set(settings ${CMAKE_CURRENT_BINARY_DIR}/code_signing/${target}.settings)
    set(credentials ${ZORV_CODE_SIGNING_PKCS12} ${ZORV_CODE_SIGNING_CERT} ${ZORV_CODE_SIGNING_KEY}
        ${ZORV_CODE_SIGNING_PASSWORD_FILE})
    file(CONFIGURE OUTPUT ${settings} CONTENT
        "${ZORV_OSSLSIGNCODE}\n${credentials}\n${ZORV_CODE_SIGNING_TIMESTAMP_URL}\n${description}\n")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${settings})
    if(NOT ZORV_CODE_SIGNING_PKCS12 AND NOT ZORV_CODE_SIGNING_CERT AND NOT ZORV_CODE_SIGNING_KEY)
        return()
    endif()
    if(ZORV_CODE_SIGNING_PKCS12 AND (ZORV_CODE_SIGNING_CERT OR ZORV_CODE_SIGNING_KEY))
        message(FATAL_ERROR "Name either ZORV_CODE_SIGNING_PKCS12 or ZORV_CODE_SIGNING_CERT and _KEY, not both")
    endif()
    if(NOT ZORV_CODE_SIGNING_PKCS12 AND NOT (ZORV_CODE_SIGNING_CERT AND ZORV_CODE_SIGNING_KEY))
        message(FATAL_ERROR "ZORV_CODE_SIGNING_CERT and ZORV_CODE_SIGNING_KEY go together")
    endif()
    foreach(file ${credentials})
        if(NOT IS_ABSOLUTE ${file} OR NOT EXISTS ${file})
            message(FATAL_ERROR "The code-signing file ${file} does not exist (give an absolute path)")
        endif()
    endforeach()
    if(NOT ZORV_OSSLSIGNCODE)
        find_program(ZORV_OSSLSIGNCODE_FOUND osslsigncode HINTS /usr/bin REQUIRED)
        set(ZORV_OSSLSIGNCODE ${ZORV_OSSLSIGNCODE_FOUND})
    endif()
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script} ${credentials})
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DOSSLSIGNCODE=${ZORV_OSSLSIGNCODE} -DPROGRAM=$<TARGET_FILE:${target}>
            -DUNSIGNED_COPY=${CMAKE_CURRENT_BINARY_DIR}/code_signing/$<TARGET_FILE_NAME:${target}>
            -DPKCS12=${ZORV_CODE_SIGNING_PKCS12} -DCERT=${ZORV_CODE_SIGNING_CERT} -DKEY=${ZORV_CODE_SIGNING_KEY}
            -DPASSWORD_FILE=${ZORV_CODE_SIGNING_PASSWORD_FILE} -DTIMESTAMP_URL=${ZORV_CODE_SIGNING_TIMESTAMP_URL}
            -DDESCRIPTION=${description} -P ${script}
        COMMENT "Code-signing the program of ${target}"
        VERBATIM)
endfunction()
