// The toolkit of the Session library in one include: strings, locks and waits,
// configuration files, the logger, random numbers and the character translator.
//
// Lock order inside the toolkit (a lock on the left may be held while taking one on its
// right, never the other way):
// - CCond: the reader side of its own read-write lock, then its critical section (never
//   held across a wait). Its destructor: the writer side, then the critical section.
// - CSemaphore: waits hold the reader side; its destructor takes the writer side, then the
//   post mutex.
// - CReadWriteLock: the counter lock of its state, then the waits on its events.
// - CConfigFileImplementor: the source mutex, then the result mutex.
// - CLogger: the media mutex and the time-stamp mutex are never held together; media are
//   called with the media mutex held, so a medium must not call back into its logger's
//   media list from another thread while it waits on that thread.
// - CRandom: one mutex of its own, held only while drawing or seeding.
#pragma once

#include "toolkit/Cond.h"
#include "toolkit/Condition.h"
#include "toolkit/Config.h"
#include "toolkit/ConfigFileAdapter.h"
#include "toolkit/ConfigImplementor.h"
#include "toolkit/FileHandler.h"
#include "toolkit/Format.h"
#include "toolkit/Lockable.h"
#include "toolkit/Logger.h"
#include "toolkit/MTRand.h"
#include "toolkit/Mutex.h"
#include "toolkit/QorTran.h"
#include "toolkit/QorTranTables.h"
#include "toolkit/Random.h"
#include "toolkit/ReadWriteLock.h"
#include "toolkit/Semaphore.h"
#include "toolkit/String.h"
#include "toolkit/SyncException.h"
#include "toolkit/TimeStamp.h"
#include "toolkit/WaitResult.h"
