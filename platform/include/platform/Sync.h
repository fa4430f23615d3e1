// The synchronisation objects of the platform layer in one include.
#pragma once

#include "platform/CriticalSection.h"
#include "platform/Event.h"
#include "platform/Semaphore.h"
#include "platform/Wait.h"
