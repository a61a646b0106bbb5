/* Control of the simulated serial driver, for tests: ports with scripted modem lines, bytes
 * fed in with chosen line errors, open failures and forced results of any driver call. */
#ifndef VALTYP_SERIAL_SIM_CONTROL_H
#define VALTYP_SERIAL_SIM_CONTROL_H

#include "platform/serial/SerialDriver.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SIM_LIBRARY_NAME "valtypserial-sim"

/* What an input line (CTS, DSR, CD, RI) shows. */
enum SimLineMode {
    SIM_LINE_OFF = 0,
    SIM_LINE_ON = 1,
    SIM_LINE_FOLLOWS_DTR = 2,
    SIM_LINE_FOLLOWS_RTS = 3
};

/* Errors a fed byte arrives with. */
enum SimLineError {
    SIM_ERROR_PARITY = 1,
    SIM_ERROR_FRAME = 2,
    SIM_ERROR_OVERRUN = 4,
    SIM_ERROR_BREAK = 8,
    SIM_ERROR_RX_OVERFLOW = 16
};

/* Forgets every port, forced result, hook and callback. */
SER_EXPORT void SimReset(void);
/* A port that discovery reports in the order added; all its input lines start off. */
SER_EXPORT void SimAddPort(const char* name, const char* manufacturer, const char* description);
/* The port is unplugged: discovery no longer reports it and it cannot be opened. */
SER_EXPORT void SimRemovePort(const char* name);
/* The device is unplugged (gone 1) while the program may hold it open: its reads fail as a
 * vanished device's, discovery leaves it out and it cannot be opened, until it is plugged
 * back in (gone 0) under the same name. */
SER_EXPORT void SimSetGone(const char* name, int gone);
SER_EXPORT void SimSetLines(const char* name, int cts, int dsr, int cd, int ring);
/* Another program holds the port: opening it answers SER_ERR_IN_USE. */
SER_EXPORT void SimSetInUse(const char* name, int inUse);
/* Bytes arriving on the port, each with the given SimLineError flags. */
SER_EXPORT void SimFeed(const char* name, const unsigned char* data, int count, int errors);
/* The instrument on the port sends with these settings (bits per second, 5..8 data bits, parity
 * 0 none 1 odd 2 even 3 mark 4 space, 1 or 2 stop bits): bytes fed later reach the program as
 * a UART set up otherwise would read them, with the wrong bytes, parity and framing errors that
 * gives. bitsPerSecond 0: bytes pass unchanged (the default). */
SER_EXPORT void SimSetFarEnd(const char* name, int bitsPerSecond, int dataBits, int parity,
                             int stopBits);
/* Moves up to capacity bytes the program sent out of the port; returns how many. */
SER_EXPORT int SimTakeSent(const char* name, unsigned char* buffer, int capacity);
/* Bit 0 DTR, bit 1 RTS as the program set them; -1 for an unknown port. */
SER_EXPORT int SimOutputLines(const char* name);
SER_EXPORT int SimIsOpen(const char* name);
/* Every later call of the named operation ("SerSetDTR", ...) returns result. */
SER_EXPORT void SimSetResult(const char* operation, int result);
/* As SimSetResult, with the reason SerGetErrorText then gives. */
SER_EXPORT void SimSetResultText(const char* operation, int result, const char* text);
SER_EXPORT void SimClearResults(void);
/* Called at the start of every driver operation with its name. */
SER_EXPORT void SimSetCallHook(void (*hook)(const char* operation, void* context), void* context);
/* Reports a device change to the registered callback, from a thread of the driver. */
SER_EXPORT void SimNotifyDeviceChange(void);

#ifdef __cplusplus
}
#endif

#endif
