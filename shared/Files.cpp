// The copy assignments of the file classes, defined here so that the engine library
// exports them.
#include "PelgraSDK/Files.h"

CDrive& CDrive::operator=(const CDrive& other) = default;
CDriveIO& CDriveIO::operator=(const CDriveIO& other) = default;
CFolder& CFolder::operator=(const CFolder& other) = default;
CFile& CFile::operator=(const CFile& other) = default;
CFileIO& CFileIO::operator=(const CFileIO& other) = default;
CTxtFileIO& CTxtFileIO::operator=(const CTxtFileIO& other) = default;
