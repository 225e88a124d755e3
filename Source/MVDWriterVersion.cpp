#include "MVDWriterVersion.h"

const char* MVDWriterVersionString() {
    return "0.1.0";
}
