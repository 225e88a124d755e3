// Version of the recording and export library, as the tool reports it.
#pragma once

const char* MVDWriterVersionString();
