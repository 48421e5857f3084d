#pragma once

// The vendor's signature of a component list is its last line, "S," and the
// base64 of an RSA-2048 signature (344 characters), ended by CR LF, LF or the
// end of the file. It signs every byte of the file before that line.

const int signatureSize = 256;
const int signatureTextLength = 344;
// The end of the file that holds the signature line whole, with the line end
// before it: "\n", "S,", the text, CR LF.
const int signatureTailSize = 1 + 2 + signatureTextLength + 2;

struct SignatureLine {
    long signedLength;                       // bytes before the line: what it signs
    unsigned char signature[signatureSize];  // as written: most significant byte first
};

// Finds the signature line in tail, the last tailLength bytes of a file of
// fileLength bytes (tailLength is the smaller of the two sizes). False when
// the last line is no well-formed signature line.
bool findSignatureLine(const char* tail, long tailLength, long fileLength, SignatureLine* line);
