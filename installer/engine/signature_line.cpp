#include "engine/signature_line.h"

#include "common/base64.h"

bool findSignatureLine(const char* tail, long tailLength, long fileLength, SignatureLine* line)
{
    if (tailLength < 0 || tailLength > fileLength)
        return false;
    long end = tailLength;
    if (end > 0 && tail[end - 1] == '\n')
        --end;
    if (end > 0 && tail[end - 1] == '\r')
        --end;
    long start = end;
    while (start > 0 && tail[start - 1] != '\n')
        --start;
    // A line that begins before the tail is longer than any signature line.
    if (start == 0 && tailLength < fileLength)
        return false;
    const char* text = tail + start;
    if (end - start != 2 + signatureTextLength || text[0] != 'S' || text[1] != ',')
        return false;
    if (decodeBase64(text + 2, signatureTextLength, line->signature, signatureSize) != signatureSize)
        return false;
    line->signedLength = fileLength - tailLength + start;
    return true;
}
