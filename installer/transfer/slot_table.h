#pragma once

// A fixed table of object pointers that maps platform handles back to the
// objects that asked for them. It only refers to the objects; empty slots
// are null and a new entry takes the lowest empty slot.
template <typename T, int Size>
class SlotTable {
public:
    SlotTable() { clear(); }

    void clear()
    {
        for (int i = 0; i < Size; ++i)
            slots[i] = nullptr;
    }

    // False when every slot is taken.
    bool add(T* object)
    {
        for (int i = 0; i < Size; ++i) {
            if (slots[i] == nullptr) {
                slots[i] = object;
                return true;
            }
        }
        return false;
    }

    // False when the object is not in the table.
    bool remove(T* object)
    {
        int i = indexOf(object);
        if (i < 0)
            return false;
        slots[i] = nullptr;
        return true;
    }

    // -1 when the object is not in the table (null is never found).
    int indexOf(const T* object) const
    {
        if (object == nullptr)
            return -1;
        for (int i = 0; i < Size; ++i) {
            if (slots[i] == object)
                return i;
        }
        return -1;
    }

    static const int size = Size;
    T* slots[Size];
};
