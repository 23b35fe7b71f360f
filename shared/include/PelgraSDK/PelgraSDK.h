// The declarations of the utility library PelgraSDK, all of them.
#ifndef PELGRA_SDK_H
#define PELGRA_SDK_H

#include "PelgraSDK/Buffers.h"
#include "PelgraSDK/ByteCryptor.h"
#include "PelgraSDK/Compressor.h"
#include "PelgraSDK/Files.h"
#include "PelgraSDK/Strings.h"
#include "PelgraSDK/System.h"
#include "PelgraSDK/Window.h"

#endif
