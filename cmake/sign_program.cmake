# Puts an Authenticode signature (SHA-256) on a built program, in place:
#
#   cmake -DOSSLSIGNCODE=path -DPROGRAM=file.exe [-DUNSIGNED_COPY=copy.exe]
#         (-DPKCS12=file.p12 | -DCERT=chain.pem -DKEY=key.pem) [-DPASSWORD_FILE=file]
#         [-DTIMESTAMP_URL=url] [-DDESCRIPTION=text] -P sign_program.cmake
#
# UNSIGNED_COPY keeps the bytes as linked. A signing that fails removes the
# program, so that the next build links and signs it again instead of taking
# the unsigned file for built. Works with osslsigncode 2.5 and later.

foreach(required OSSLSIGNCODE PROGRAM)
    if(NOT ${required})
        message(FATAL_ERROR "sign_program: ${required} is not given")
    endif()
endforeach()
if(PKCS12)
    set(credentials -pkcs12 ${PKCS12})
elseif(CERT AND KEY)
    set(credentials -certs ${CERT} -key ${KEY})
else()
    message(FATAL_ERROR "sign_program: give PKCS12, or CERT and KEY")
endif()
if(PASSWORD_FILE)
    list(APPEND credentials -readpass ${PASSWORD_FILE})
endif()
set(options -h sha256)
if(DESCRIPTION)
    list(APPEND options -n ${DESCRIPTION})
endif()
# An RFC 3161 time stamp keeps the signature valid after the certificate expires.
if(TIMESTAMP_URL)
    list(APPEND options -ts ${TIMESTAMP_URL})
endif()

if(UNSIGNED_COPY)
    get_filename_component(copy_folder ${UNSIGNED_COPY} DIRECTORY)
    file(MAKE_DIRECTORY ${copy_folder})
    file(COPY_FILE ${PROGRAM} ${UNSIGNED_COPY})
endif()
# osslsigncode writes a new file; it replaces the program only when whole.
set(signing ${PROGRAM}.signing)
file(REMOVE ${signing})
execute_process(
    COMMAND ${OSSLSIGNCODE} sign ${credentials} ${options} -in ${PROGRAM} -out ${signing}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS ${signing})
    file(REMOVE ${signing} ${PROGRAM})
    message(FATAL_ERROR "sign_program: ${OSSLSIGNCODE} could not sign ${PROGRAM} (${result}):\n${output}")
endif()
file(RENAME ${signing} ${PROGRAM})
file(CHMOD ${PROGRAM} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
message(STATUS "Code-signed ${PROGRAM} (SHA-256)")
