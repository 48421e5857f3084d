# The installer's plain C++ text logic: no Win32 headers, so it is compiled
# into the executable and natively for the unit tests alike.
set(ZORV_TEXT_SOURCES
    common/ascii.cpp
    common/bounded_copy.cpp
    common/bounded_format.cpp
    common/decimal.cpp
    common/byte_count.cpp
    common/base64.cpp
    common/hex_digest.cpp
    startup/command_line_parser.cpp
    startup/language_offset.cpp
    engine/list_line_reader.cpp
    engine/list_record.cpp
    engine/component_location.cpp
    engine/signature_line.cpp
    engine/list_age.cpp
    engine/record_rules.cpp
    wizard/format_size.cpp
    wizard/proxy_setting.cpp
    transfer/response_header_scanner.cpp
    transfer/content_length_field.cpp
    transfer/http_request.cpp
)
list(TRANSFORM ZORV_TEXT_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/../installer/)
