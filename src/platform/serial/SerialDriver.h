/* The interface every native serial driver library offers to the serial library.
 *
 * A driver is a shared library that exports one C function, SerGetDriver, returning its table
 * of operations. p is a 0-based port number handed out by SerOpenPort. */
#ifndef VALTYP_SERIAL_DRIVER_H
#define VALTYP_SERIAL_DRIVER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SER_DRIVER_ENTRY "SerGetDriver"
/* Raised whenever the table changes shape; the loader refuses other versions. */
#define SER_DRIVER_ABI 3

#if defined(_WIN32)
#define SER_EXPORT __declspec(dllexport)
#elif defined(__GNUC__)
#define SER_EXPORT __attribute__((visibility("default")))
#else
#define SER_EXPORT
#endif

/* Results of SerOpenPort, SerConfigure and SerResetPortDriver. */
enum SerResult {
    SER_OK = 0,
    SER_ERR_ALREADY_OPEN = 1000, /* this process has the device open already */
    SER_ERR_TOO_MANY = 1001,     /* no free port number */
    SER_ERR_IN_USE = 1002,       /* another open holds the device */
    SER_ERR_NOT_VALID = 1003,    /* the name is not a serial device */
    SER_ERR_NO_FILE = 1004,      /* no device of that name (ENOENT) */
    SER_ERR_SYSTEM = 1005,       /* any other failure of the system; see SerGetErrorText */
    SER_ERR_PERMISSION = 1006,   /* the user may not open the device */
    SER_ERR_BUSY = 1007,         /* the device is temporarily busy */
    SER_ERR_NO_DEVICE = 1008,    /* the name exists but no device answers (ENODEV, ENXIO) */
    SER_ERR_BAD_PORT = 1009,     /* p is not an open port */
    SER_ERR_BAD_SETTING = 1010,  /* a setting the driver cannot express */
    SER_ERR_NOT_TAKEN = 1011     /* the line did not take the settings */
};

/* The line settings record, read field by field. SerOpenPort fills in port (p + 1). */
typedef struct SerPortConfig {
    int port;             /* 1-based port number */
    const char* portName; /* device name, e.g. "/dev/ttyUSB0" or "ttyS0" */
    const char* baseName; /* device-name prefix used with a port number when portName is empty */
    int txLen;
    int rxLen;
    int bitRate;   /* index 0..14 into the table of rates, or a literal rate above 30 */
    int parity;    /* 0 none, 1 odd, 2 even, 3 mark, 4 space */
    int dataBits;  /* 0..3 for 5..8 bits */
    int stopBits;  /* 0 one, 1 two */
    int handshake; /* 0 none, 1 XON/XOFF, 2 CTS/RTS, 3 DSR/DTR, or split flags 0x10..0x80 */
    const char* osName;
    int hardFlow;
    int disableActiveLink;
} SerPortConfig;

typedef struct SerPortListSink {
    void* context;
    void (*addPortName)(void* context, const char* name);
    void (*addPortInfo)(void* context, const char* name, const char* manufacturer,
                        const char* description);
} SerPortListSink;

typedef void (*SerDeviceNotification)(void* context);

/* What a wait on the line also watches: a file descriptor that becomes readable on POSIX
   systems, an event object's HANDLE on Windows. SER_NO_WAKE watches nothing. */
typedef intptr_t SerWakeHandle;
#define SER_NO_WAKE ((SerWakeHandle)-1)

typedef struct SerDriver {
    int abiVersion;
    /* Why the last SerOpenPort, SerConfigure, SerResetPortDriver, SerClosePort or
       SerRegisterDeviceNotification on this thread failed (the system call and its error);
       empty when it did not. For SER_ERR_PERMISSION it is what the user can do about it,
       empty when the driver knows of nothing that helps. After a successful SerOpenPort it
       is a note for the operator about the port (e.g. a virtual port whose far end decides
       the line settings), or empty. */
    const char* (*SerGetErrorText)(void);

    int (*SerOpenPort)(SerPortConfig* config);
    int (*SerConfigure)(const SerPortConfig* config);
    int (*SerResetPortDriver)(const SerPortConfig* config);
    int (*SerClosePort)(int p);

    int (*SerRxFlush)(int p); /* -1 failure */
    int (*SerTxFlush)(int p);
    int (*SerTxDrain)(int p);

    int (*SerGetByte)(int p); /* 0..255, -1 when nothing came within the receive timeout,
                                  -2 when the device is gone (hung up, unplugged), -3 when
                                  reading failed otherwise (it may pass) */
    int (*SerGetData)(int p, unsigned char* buffer, int count);       /* bytes read, -1 failure */
    int (*SerPutData)(int p, const unsigned char* buffer, int count); /* bytes sent */
    int (*SerPutByte)(int p, unsigned char byte);                     /* 0 success */
    int (*SerRxReadyCount)(int p);                                    /* -1 failure */
    int (*SerTxBufCount)(int p);

    /* 1 on, 0 off, -1 failure. The error flags report what the bytes read so far carried,
       and are cleared by asking. */
    int (*SerSigCTS)(int p);
    int (*SerSigDSR)(int p);
    int (*SerSigCD)(int p);
    int (*SerSigRing)(int p);
    int (*SerSigBreak)(int p);
    int (*SerSigFrameErr)(int p);
    int (*SerSigOverrun)(int p);
    int (*SerSigParityErr)(int p);
    int (*SerRxOverflow)(int p);

    int (*SerSetDTR)(int p, int on); /* -1 failure */
    int (*SerSetRTS)(int p, int on);
    int (*SerSendBreak)(int p, int milliseconds);
    int (*SerSetTimeoutRx)(int p, int milliseconds);
    int (*SerSetTimeoutTx)(int p, int milliseconds);
    int (*SerGetTimeoutRx)(int p);
    int (*SerGetTimeoutTx)(int p);

    int (*SerGetPortList)(const SerPortListSink* sink);
    const char* (*SerGetName)(int p);
    int (*SerGetPortMfgr)(int p);
    int (*SerGetLibVer)(void);
    int (*SerGetInstanceLock)(void);
    int (*SerGetStatusAPM)(void);
    int (*SerSetInstanceLock)(int lock);
    int (*SerGetPowerMode)(int p);
    int (*SerSetPowerMode)(int p, int mode);
    int (*SerGetResumeState)(int clear);

    int (*SerFlowTask)(int p); /* one service pass */
    int (*SerServerTask)(void);

    void (*SerRegisterDeviceNotification)(SerDeviceNotification callback, void* context);
    void (*SerUnregisterDeviceNotification)(void);

    /* Sleeps until a byte can be read from p (or the next read will report a failure), wake
       is signalled, or milliseconds pass (negative: no limit).
       1 when p has something to read, 0 when woken or timed out, -1 failure. */
    int (*SerWaitReadable)(int p, SerWakeHandle wake, int milliseconds);
} SerDriver;

typedef const SerDriver* (*SerGetDriverFunction)(void);

#ifdef __cplusplus
}
#endif

#endif
