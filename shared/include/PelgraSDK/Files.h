// The utility library's drives, folders and files.
//
// Their members are the utility library's; the engine library defines and exports the
// copy assignments, which copy every member as plain data.
#ifndef PELGRA_SDK_FILES_H
#define PELGRA_SDK_FILES_H

#include "PelgraEngineExport.h"

class CDrive {
public:
    PELGRA_ENGINE_API CDrive& operator=(const CDrive& other);
};

class CDriveIO {
public:
    PELGRA_ENGINE_API CDriveIO& operator=(const CDriveIO& other);
};

class CFolder {
public:
    PELGRA_ENGINE_API CFolder& operator=(const CFolder& other);
};

class CFile {
public:
    PELGRA_ENGINE_API CFile& operator=(const CFile& other);
};

// Binary file access.
class CFileIO {
public:
    PELGRA_ENGINE_API CFileIO& operator=(const CFileIO& other);
};

// Text file access, line by line.
class CTxtFileIO {
public:
    PELGRA_ENGINE_API CTxtFileIO& operator=(const CTxtFileIO& other);
};

#endif
