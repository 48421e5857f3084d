#pragma once

// The body's length as the response header states it in its Content-Length
// field, read the way HTTP defines the field: the name in any letter case
// directly followed by ":", blanks or tabs around the value, the value
// decimal digits only. The header scanner's value is a hint for the display;
// this one decides whether a body arrived whole, so anything doubtful makes
// the length unknown: a value that is not digits, does not fit a 32-bit
// signed count, or a second field with another value.
class ContentLengthField {
public:
    ContentLengthField() { reset(); }

    // Done at the start of every fetch.
    void reset();

    // Takes the next n bytes of the header, from its status line on, in
    // chunks of any size; the caller passes nothing behind the header's end.
    void feed(const char* bytes, int n);

    // The stated length, or -1 when the header states none or no sound one.
    int length() const;

private:
    enum State {
        StatusLine,   // the first line, no field
        Name,         // matching the name from the line's start
        Colon,        // the whole name matched
        BeforeValue,
        Value,
        AfterValue,
        ValueCr,      // a CR in the field's line, sound only right before its LF
        Unsound,      // the field's line holds something else
        OtherLine,    // another field
    };

    void take(char c);
    void endLine();

    State state_;
    int matched_;       // characters of the name matched so far
    bool hasDigits_;
    unsigned value_;    // the value being read, at most the largest count
    bool overflow_;
    bool found_;        // a sound field was read; its value is in length_
    bool unknown_;      // a field was unsound or contradicted another
    int length_;
};
