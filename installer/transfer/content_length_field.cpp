#include "transfer/content_length_field.h"

#include "common/ascii.h"

namespace {

const char fieldName[] = "content-length";
const int fieldNameLength = sizeof fieldName - 1;
const unsigned largestLength = 0x7FFFFFFF;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

void ContentLengthField::reset()
{
    state_ = StatusLine;
    matched_ = 0;
    hasDigits_ = false;
    value_ = 0;
    overflow_ = false;
    found_ = false;
    unknown_ = false;
    length_ = -1;
}

void ContentLengthField::feed(const char* bytes, int n)
{
    for (int i = 0; i < n; ++i)
        take(bytes[i]);
}

int ContentLengthField::length() const
{
    return found_ && !unknown_ ? length_ : -1;
}

// At a line's LF: a field's value stands, or makes the length unknown.
void ContentLengthField::endLine()
{
    switch (state_) {
    case BeforeValue:
    case Value:
    case AfterValue:
    case ValueCr:
        if (!hasDigits_ || overflow_ || (found_ && length_ != static_cast<int>(value_))) {
            unknown_ = true;
        } else {
            found_ = true;
            length_ = static_cast<int>(value_);
        }
        break;
    case Unsound:
        unknown_ = true;
        break;
    default:
        break;
    }
    state_ = Name;
    matched_ = 0;
    hasDigits_ = false;
    value_ = 0;
    overflow_ = false;
}

void ContentLengthField::take(char c)
{
    if (c == '\n') {
        endLine();
        return;
    }
    switch (state_) {
    case StatusLine:
    case OtherLine:
    case Unsound:
        return;
    case Name:
        if (asciiLower(c) != fieldName[matched_])
            state_ = OtherLine;
        else if (++matched_ == fieldNameLength)
            state_ = Colon;
        return;
    case Colon:
        // A blank before the colon makes a line that is no field.
        state_ = c == ':' ? BeforeValue : OtherLine;
        return;
    case BeforeValue:
    case Value:
        if (isDigit(c)) {
            state_ = Value;
            hasDigits_ = true;
            value_ = value_ * 10 + static_cast<unsigned>(c - '0');
            if (value_ > largestLength) {
                overflow_ = true;
                value_ = largestLength;   // stays bounded; the field is unsound anyway
            }
            return;
        }
        if (isBlank(c))
            state_ = state_ == Value ? AfterValue : BeforeValue;
        else
            state_ = c == '\r' ? ValueCr : Unsound;
        return;
    case AfterValue:
        if (!isBlank(c))
            state_ = c == '\r' ? ValueCr : Unsound;
        return;
    case ValueCr:
        state_ = Unsound;
        return;
    }
}
