#include "engine/self_register.h"

void selfRegister(const char*, const char*) {}
