/*
 * korval - the label printer's command library.
 *
 * Every drawing or control call becomes one command of the printer's text language. The
 * commands collect in a spool file, <current directory>/ombrixtemp.prn, and printing sends
 * that file to the printer in one piece: as one raw job titled "My PrintJob" to a CUPS
 * queue, or with one write to a USB printer (/dev/usb/lpN).
 *
 * Results. Every export returns an int: 0 (KORVAL_OK) is success and a negative
 * KORVAL_ERR_... code is an error, which is also kept as the last error (OBX_GetErrState).
 * The few exports that return something else say so. Each export lists its codes just
 * above its declaration; the numbers are fixed and callers may compare against them.
 *
 * Calling order for one label:
 *   OpenPort (or OpenUSBPort)          open an output
 *   OBX_ClearBuffer                    start a new spool file with "N"
 *   any command builders               each appends one command
 *   OBX_PrintLabel                     appends "W" and sends the spool file
 *     (or OBX_PrintLabelAuto then OBX_WritePrinter)
 *   ClosePort                          closes the output, deletes the spool file
 * Sending closes the spool file, so every further label starts with OBX_ClearBuffer.
 * Every builder first checks that an output is open and fails with its own
 * KORVAL_ERR_NO_OUTPUT_... code (the -3000 series) when none is.
 *
 * The builders' comments show the command written in printf notation (\r\n, CR LF, ends
 * every command line). An argument that is "rejected" makes the builder return its
 * KORVAL_ERR_INVALID_... code and write nothing; one that is "coerced" is replaced and the
 * command is still written. Coordinates and sizes are printer dots.
 *
 * Strings are narrow byte strings (the program passes UTF-8) and are written unchanged; a
 * double quote inside them is not escaped. A CR or LF in any string or character a builder
 * writes into its command (text, data, names, paths' names, font names and letters) would
 * end the command line there and start another of the caller's making, so it is rejected:
 * the builder returns its KORVAL_ERR_INVALID_... code and writes nothing. A null string is written
 * as an empty one (and fails the length check of a name). Texts of any length are written whole.
 * Names of stored graphics and forms are 1 to 16 bytes.
 *
 * The library keeps one process-wide state, meant for one thread. Every export holds one
 * process-wide lock for its whole length, so calls from several threads are served one at
 * a time and never tear a command or the state; their commands still mix in one spool
 * file, so a label should be built from one thread. The CUPS server is the one libcups is
 * configured for (CUPS_SERVER, client.conf).
 */
#ifndef KORVAL_H
#define KORVAL_H

/* The library's version: the soname is libkorval.so.KORVAL_VERSION_MAJOR and pkg-config
 * reports KORVAL_VERSION. */
#define KORVAL_VERSION_MAJOR 10
#define KORVAL_VERSION_MINOR 0
#define KORVAL_VERSION_PATCH 0
#define KORVAL_VERSION "10.0.0"

#if defined(_WIN32) && defined(KORVAL_BUILDING)
#define KORVAL_API __declspec(dllexport)
#elif defined(_WIN32)
#define KORVAL_API __declspec(dllimport)
#else
#define KORVAL_API __attribute__((visibility("default")))
#endif

#define KORVAL_OK 0

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Outputs -------------------------------------------------------------------------- */

/* Opens the CUPS queue `printerName` as the output and allocates the command buffers.
 * KORVAL_ERR_PRINTER_OFFLINE: the queue is stopped or not accepting jobs ("work offline");
 * the output is open nevertheless, and the code is returned only, not stored. */
#define KORVAL_ERR_ALREADY_OPEN (-1000)      /* an output is open; it stays open */
#define KORVAL_ERR_NO_COMMAND_BUFFER (-1001) /* no memory for the command buffer */
#define KORVAL_ERR_NO_SCRATCH_BUFFER (-1002) /* no memory for the scratch buffer */
#define KORVAL_ERR_NO_SUCH_PRINTER (-1003)   /* CUPS knows no such queue */
#define KORVAL_ERR_PRINTER_OFFLINE (-4000)
KORVAL_API int OpenPort(const char *printerName);

/* Closes whatever output is open, frees the buffers and deletes the spool file. Harmless
 * when nothing is open. Always 0. */
KORVAL_API int ClosePort(void);

/* Opens a USB printer as the output. `portNumber` is the printer port, 1 for /dev/usb/lp0
 * (USB001), 2 for lp1, ...; 255 takes the first supported printer whatever its port.
 * Supported printers are matched by vendor and product id. A USB printer already open is
 * closed first. Also KORVAL_ERR_NO_COMMAND_BUFFER, KORVAL_ERR_NO_SCRATCH_BUFFER. */
#define KORVAL_ERR_NO_USB_PRINTER (-1060) /* no matching printer could be opened */
KORVAL_API int OpenUSBPort(unsigned int portNumber);

/* Closes the USB printer and frees the buffers; the spool file stays. Always 0. */
KORVAL_API int CloseUSBPort(void);

/* Sets the line of the serial status port while it is open (only inside OBX_ErrorReport).
 * `baudRate` must be one of 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400,
 * 56000, 128000, 256000 and is then clamped to 9600...56000; `handshake` non-zero turns on
 * CTS/RTS flow control. */
#define KORVAL_ERR_NO_SERIAL_PORT (-1026) /* no status port is open */
#define KORVAL_ERR_BAUD_RATE (-1027)      /* the rate is not in the list */
#define KORVAL_ERR_SERIAL_REFUSED (-1028) /* the port refused the settings */
KORVAL_API int SetPCComPort(unsigned int baudRate, int handshake);

/* Opens the CUPS queue `printerName` as the output, like OpenPort without the offline
 * check. Returns a non-zero handle, or 0 when the queue is unknown
 * (KORVAL_ERR_NO_SUCH_PRINTER stored) or an output is already open
 * (KORVAL_ERR_ALREADY_OPEN stored). */
KORVAL_API int OBX_OpenPrinter(const char *printerName);

/* Closes the queue opened by OBX_OpenPrinter or OpenPort. Returns 1 when one was closed,
 * 0 when none was open. */
KORVAL_API int OBX_ClosePrinter(void);

/* Returns the last error code stored by any export (0 when none failed yet). */
KORVAL_API int OBX_GetErrState(void);

/* Returns the instance field (the third '#'-separated field) of the interface path of the
 * USB printer at `portNumber` (255 = the first), e.g. its serial number. The text belongs
 * to the library and stays valid until the next USB open. Null, with the code stored, when
 * no such printer is found. */
#define KORVAL_ERR_USB_ID_NOT_FOUND (-2111)
KORVAL_API const char *OBX_GetUSBID(unsigned int portNumber);

/* ---- Spool file and sending ----------------------------------------------------------- */

/* A command could not be written whole to the spool file. Builders report it under their
 * own KORVAL_ERR_WRITE_... code, which then replaces it as the last error. */
#define KORVAL_ERR_SPOOL_WRITE (-1040)

/* Creates the spool file anew and writes "N\r\n" (clear the label) into it. */
#define KORVAL_ERR_SPOOL_CREATE (-2001)       /* the spool file could not be created */
#define KORVAL_ERR_WRITE_CLEAR_BUFFER (-2002) /* the first command could not be written */
#define KORVAL_ERR_NO_OUTPUT_CLEAR_BUFFER (-3001)
KORVAL_API int OBX_ClearBuffer(void);

/* Sends the spool file as it is: to the USB printer when one is open, else to the queue. */
#define KORVAL_ERR_SPOOL_READ (-2897)   /* the spool file cannot be read (queue) */
#define KORVAL_ERR_SPOOL_MEMORY (-1041) /* no memory for it; the port is closed (queue) */
#define KORVAL_ERR_NO_QUEUE (-1045)     /* no queue is open */
#define KORVAL_ERR_JOB_START (-1042)    /* the job could not be started */
/* KORVAL_ERR_JOB_WRITE: the data could not be written, or the USB printer took fewer
 * bytes than sent. */
#define KORVAL_ERR_JOB_WRITE (-1043)
#define KORVAL_ERR_JOB_END (-1044)          /* the job could not be finished */
#define KORVAL_ERR_USB_SPOOL_READ (-1046)   /* the spool file cannot be read (USB) */
#define KORVAL_ERR_USB_SPOOL_MEMORY (-1047) /* no memory for it; the printer is closed (USB) */
KORVAL_API int OBX_WritePrinter(void);

/* Appends the file `fileName` to the spool file and sends it (an empty file sends the
 * spool file unchanged); otherwise the result of the send (OBX_WritePrinter). */
#define KORVAL_ERR_SEND_FILE_OPEN (-2109)   /* the file cannot be opened */
#define KORVAL_ERR_SEND_FILE_READ (-3071)   /* it cannot be read */
#define KORVAL_ERR_SEND_FILE_APPEND (-2102) /* appending failed */
#define KORVAL_ERR_NO_OUTPUT_SEND_FILE (-3048)
KORVAL_API int OBX_SendFile(const char *fileName);

/* ---- Status queries ------------------------------------------------------------------- */

/* Asks the printer on serial port COM1...COM3 (`comPort` 1 to 3: /dev/ttyS0...ttyS2) for
 * its status: sends "^ee\r\n" and waits up to `waitSeconds` seconds for a four-byte reply
 * whose first two bytes are the decimal status. `reserved` is not used; `baudRate` and
 * `handshake` as for SetPCComPort (a rate outside the list leaves the line at 9600 baud).
 * Ends with ClosePort: a label being built is lost. Returns the status (0 to 99) or: */
#define KORVAL_ERR_STATUS_PORT (-2127)     /* the port could not be opened */
#define KORVAL_ERR_STATUS_NO_REPLY (-2128) /* no reply in time */
#define KORVAL_ERR_READER_PURGE (-1010)    /* -1010...-1023: the reader could not be set up */
#define KORVAL_ERR_READER_RING (-1021)
#define KORVAL_ERR_READER_THREAD (-1023)
#define KORVAL_ERR_STATUS_REQUEST (-3074) /* the request could not be sent */
KORVAL_API int OBX_ErrorReport(int comPort, int reserved, unsigned int baudRate, int handshake,
                               int waitSeconds);

/* Reads the status byte of the USB printer at `portNumber` (255 = the first) from the
 * printer class driver. Ends with ClosePort. Returns the byte (0 to 255) or: */
#define KORVAL_ERR_USB_STATUS_NO_PRINTER (-2129) /* no such printer */
#define KORVAL_ERR_USB_STATUS_REFUSED (-2130)    /* the driver refused the request */
KORVAL_API int OBX_ErrorReportUSB(unsigned int portNumber);

/* ---- Set-up and printing -------------------------------------------------------------- */

/* T60,60,0,2,1,1,N,"KORVAL.DLL Ver: 10.0.0.5180712": prints the library's version. */
#define KORVAL_ERR_WRITE_GET_INFO (-2000)
#define KORVAL_ERR_NO_OUTPUT_GET_INFO (-3000)
KORVAL_API int OBX_GetInfo(void);

/* H%d: the print darkness. */
#define KORVAL_ERR_WRITE_SET_DARKNESS (-2003)
#define KORVAL_ERR_NO_OUTPUT_SET_DARKNESS (-3002)
KORVAL_API int OBX_SetDarkness(int darkness);

/* S%d: the print speed. */
#define KORVAL_ERR_WRITE_SET_PRINT_SPEED (-2004)
#define KORVAL_ERR_NO_OUTPUT_SET_PRINT_SPEED (-3003)
KORVAL_API int OBX_SetPrintSpeed(int speed);

/* Q%d,%d (height, gap) for gap labels; with `blackMark` non-zero Q%d,B%d+%d (height, mark
 * length, offset) for a non-negative `markOffset` and Q%d,B%d%d (offset with its minus
 * sign) for a negative one. A height outside 1...65535 or a gap outside 0...240 writes
 * nothing and returns 0 (the printer keeps its label). */
#define KORVAL_ERR_WRITE_SET_LABEL_HEIGHT (-2006)
#define KORVAL_ERR_NO_OUTPUT_SET_LABEL_HEIGHT (-3004)
KORVAL_API int OBX_SetLabelHeight(int height, unsigned int gap, int markOffset, int blackMark);

/* q%d: the label width. */
#define KORVAL_ERR_WRITE_SET_LABEL_WIDTH (-2007)
#define KORVAL_ERR_NO_OUTPUT_SET_LABEL_WIDTH (-3005)
KORVAL_API int OBX_SetLabelWidth(int width);

/* Z%c: the print direction. */
#define KORVAL_ERR_WRITE_SET_DIRECTION (-2008)
#define KORVAL_ERR_NO_OUTPUT_SET_DIRECTION (-3006)
KORVAL_API int OBX_SetDirection(char direction);

/* R%d,%d: the reference point (x, y) that later coordinates count from. */
#define KORVAL_ERR_WRITE_SET_COORDINATE_ORIGIN (-2010)
#define KORVAL_ERR_NO_OUTPUT_SET_COORDINATE_ORIGIN (-3007)
KORVAL_API int OBX_SetCoordinateOrigin(int x, int y);

/* W%d,%d (sets, copies of each): prints, then sends the spool file as OBX_WritePrinter
 * does. Both 1...65535; a bad value writes no W command and the spool file is still sent.
 * Returns the send's code when the send fails, else the invalid or write code, or 0; with
 * no output open nothing is sent. */
#define KORVAL_ERR_INVALID_PRINT_LABEL (-2012)
#define KORVAL_ERR_WRITE_PRINT_LABEL (-2011)
#define KORVAL_ERR_NO_OUTPUT_PRINT_LABEL (-3008)
KORVAL_API int OBX_PrintLabel(int sets, int copies);

/* WA%d,%d (sets, copies of each): prints when the job is sent; nothing is sent here.
 * `sets` outside 1...65535 is rejected; `copies` outside 1...65535 is coerced to 1. */
#define KORVAL_ERR_INVALID_PRINT_LABEL_AUTO (-2014)
#define KORVAL_ERR_WRITE_PRINT_LABEL_AUTO (-2013)
#define KORVAL_ERR_NO_OUTPUT_PRINT_LABEL_AUTO (-3009)
KORVAL_API int OBX_PrintLabelAuto(int sets, int copies);

/* ---- Text and bar codes --------------------------------------------------------------- */

/* T%d,%d,%d,%d,%d,%d,%c,"%s" (x, y, rotation, font, xMultiplier, yMultiplier, reverse,
 * text): text in a printer font. `font` is written as a number for 1...6 and as a
 * character for 'A'...'Z' and 'a'. `rotation` 0...3 quarter turns clockwise; `reverse`
 * 'N' black on white, 'R' white on black. Rejected: `rotation` outside 0...3, another
 * font, a multiplier outside 1...24, another `reverse`. */
#define KORVAL_ERR_INVALID_DRAW_TEXT (-2016)
#define KORVAL_ERR_WRITE_DRAW_TEXT (-2015)
#define KORVAL_ERR_NO_OUTPUT_DRAW_TEXT (-3010)
KORVAL_API int OBX_DrawText(int x, int y, int rotation, int font, int xMultiplier, int yMultiplier,
                            char reverse, const char *text);

/* As OBX_DrawText; with `unquoted` non-zero the text is written without quotes (a
 * variable or counter reference). */
#define KORVAL_ERR_INVALID_DRAW_TEXT_EX (-2018)
#define KORVAL_ERR_WRITE_DRAW_TEXT_EX (-2017)
#define KORVAL_ERR_NO_OUTPUT_DRAW_TEXT_EX (-3011)
KORVAL_API int OBX_DrawTextEx(int x, int y, int rotation, int font, int xMultiplier,
                              int yMultiplier, char reverse, const char *text, int unquoted);

/* B%d,%d,%d,%s,%d,%d,%d,%c,"%s" (x, y, rotation, symbology, narrowBar, wideBar,
 * barHeight, humanReadable, data): a one-dimensional bar code. `humanReadable` 'B' prints
 * the data under the bars, 'N' does not. Rejected: `rotation` outside 0...3, another
 * `humanReadable`. */
#define KORVAL_ERR_INVALID_DRAW_BARCODE (-2027)
#define KORVAL_ERR_WRITE_DRAW_BARCODE (-2026)
#define KORVAL_ERR_NO_OUTPUT_DRAW_BARCODE (-3013)
KORVAL_API int OBX_DrawBarcode(int x, int y, int rotation, const char *symbology, int narrowBar,
                               int wideBar, int barHeight, char humanReadable, const char *data);

/* As OBX_DrawBarcode; with `unquoted` non-zero the data is written without quotes. Its
 * write code has the number of OBX_DrawBarcode's invalid-argument code. */
#define KORVAL_ERR_INVALID_DRAW_BARCODE_EX (-2029)
#define KORVAL_ERR_WRITE_DRAW_BARCODE_EX (-2027)
#define KORVAL_ERR_NO_OUTPUT_DRAW_BARCODE_EX (-3014)
KORVAL_API int OBX_DrawBarcodeEx(int x, int y, int rotation, const char *symbology, int narrowBar,
                                 int wideBar, int barHeight, char humanReadable, const char *data,
                                 int unquoted);

/* The printer-encoded two-dimensional symbols below write their third and fourth fields
 * (`field3`, `field4`) unchanged: the printer gives them their meaning per symbology, and
 * the program's QR label passes 1 and 2. Their lettered fields are coerced, never
 * rejected. */

/* b%d,%d,DX,%d,%d,o%d,m%d,"%s" (x, y, field3, field4, rotation, moduleSize, data): a Data
 * Matrix symbol. Coerced: `rotation` outside 0...3 to 0, `moduleSize` outside 1...9 to 1. */
#define KORVAL_ERR_INVALID_DRAW_DATAMATRIX (-2201) /* a line break in its text */
#define KORVAL_ERR_WRITE_DRAW_DATAMATRIX (-2031)
#define KORVAL_ERR_NO_OUTPUT_DRAW_DATAMATRIX (-3015)
KORVAL_API int OBX_DrawBar2D_DATAMATRIX(int x, int y, int field3, int field4, int rotation,
                                        int moduleSize, const char *data);

/* b%d,%d,QR,%d,%d,o%d,r%d,m%d,g%d,s%d,"%s" (x, y, field3, field4, rotation, magnification,
 * model, level, mask, data): a QR symbol encoded by the printer. `level` 0 L, 1 M, 2 Q,
 * 3 H; `mask` 0...7, 8 the printer's choice. Coerced: `magnification` outside 1...99 to 1,
 * `rotation` outside 0...3 to 0, `model` outside 0...4 to 0, `level` outside 0...3 to 0,
 * `mask` outside 0...8 to 0. */
#define KORVAL_ERR_INVALID_DRAW_QR (-2202) /* a line break in its text */
#define KORVAL_ERR_WRITE_DRAW_QR (-2034)
#define KORVAL_ERR_NO_OUTPUT_DRAW_QR (-3016)
KORVAL_API int OBX_DrawBar2D_QR(int x, int y, int field3, int field4, int rotation,
                                int magnification, int model, int level, int mask,
                                const char *data);

/* b%d,%d,M,%d,%d,"%s" (x, y, mode, field4, data): a MaxiCode symbol. Coerced: `mode`
 * outside 2...4 to 2, `field4` outside 0...1 to 0. */
#define KORVAL_ERR_INVALID_DRAW_MAXICODE (-2203) /* a line break in its text */
#define KORVAL_ERR_WRITE_DRAW_MAXICODE (-2039)
#define KORVAL_ERR_NO_OUTPUT_DRAW_MAXICODE (-3018)
KORVAL_API int OBX_DrawBar2D_MaxiCode(int x, int y, int mode, int field4, const char *data);

/* b%d,%d,P,%d,%d,s%d,c%d,x%d,y%d,r%d,l%d,t%d,o%d,"%s" (x, y, maxWidth, maxHeight,
 * securityLevel, compressed, moduleWidth, barHeight, rows, columns, truncated, rotation,
 * data): a PDF417 symbol. Rejected: `securityLevel` outside 0...8, `compressed` not 0 or
 * 1, `moduleWidth` outside 0...8, `barHeight` outside 4...99, `truncated` not 0 or 1,
 * `rotation` outside 0...3, data longer than 2710 bytes. */
#define KORVAL_ERR_INVALID_DRAW_PDF417 (-2043)
#define KORVAL_ERR_WRITE_DRAW_PDF417 (-2042)
#define KORVAL_ERR_NO_OUTPUT_DRAW_PDF417 (-3019)
KORVAL_API int OBX_DrawBar2D_Pdf417(int x, int y, int maxWidth, int maxHeight, int securityLevel,
                                    int compressed, int moduleWidth, int barHeight, int rows,
                                    int columns, int truncated, int rotation, const char *data);

/* b%d,%d,HX,%d,%d,m%d,o%d,r%d,g%d,s%d,"%s" (x, y, field3, field4, then mode, rotation,
 * magnification, level, mask in that order, data): a Han Xin symbol. Coerced: `mode`
 * outside 0...5 to 6, `rotation` outside 0...3 to 0, `magnification` outside 0...29 to 30,
 * `level` and `mask` outside 0...3 to 3. */
#define KORVAL_ERR_INVALID_DRAW_HANXIN (-2204) /* a line break in its text */
#define KORVAL_ERR_WRITE_DRAW_HANXIN (-2045)
#define KORVAL_ERR_NO_OUTPUT_DRAW_HANXIN (-3020)
KORVAL_API int OBX_DrawBar2D_HANXIN(int x, int y, int field3, int field4, int rotation,
                                    int magnification, int mode, int level, int mask,
                                    const char *data);

/* ---- Lines and boxes (no checks) ------------------------------------------------------ */

/* X%d,%d,%d,%d,%d (x, y, thickness, xEnd, yEnd): a box with corners (x, y), (xEnd, yEnd). */
#define KORVAL_ERR_WRITE_DRAW_RECTANGLE (-2079)
#define KORVAL_ERR_NO_OUTPUT_DRAW_RECTANGLE (-3032)
KORVAL_API int OBX_DrawRectangle(int x, int y, int thickness, int xEnd, int yEnd);

/* LE%d,%d,%d,%d (x, y, width, height): a bar that inverts what is under it. */
#define KORVAL_ERR_WRITE_DRAW_LINE_XOR (-2080)
#define KORVAL_ERR_NO_OUTPUT_DRAW_LINE_XOR (-3033)
KORVAL_API int OBX_DrawLineXor(int x, int y, int width, int height);

/* LO%d,%d,%d,%d (x, y, width, height): a black bar. */
#define KORVAL_ERR_WRITE_DRAW_LINE_OR (-2081)
#define KORVAL_ERR_NO_OUTPUT_DRAW_LINE_OR (-3034)
KORVAL_API int OBX_DrawLineOr(int x, int y, int width, int height);

/* LS%d,%d,%d,%d,%d (x, y, thickness, xEnd, yEnd): a slanted line from (x, y) to (xEnd,
 * yEnd). */
#define KORVAL_ERR_WRITE_DRAW_DIAGONAL (-2082)
#define KORVAL_ERR_NO_OUTPUT_DRAW_DIAGONAL (-3035)
KORVAL_API int OBX_DrawDiagonal(int x, int y, int thickness, int xEnd, int yEnd);

/* LW%d,%d,%d,%d (x, y, width, height): a white bar. */
#define KORVAL_ERR_WRITE_DRAW_WHITE_LINE (-2083)
#define KORVAL_ERR_NO_OUTPUT_DRAW_WHITE_LINE (-3036)
KORVAL_API int OBX_DrawWhiteLine(int x, int y, int width, int height);

/* ---- Fonts, forms, counters and variables --------------------------------------------- */

/* EI: lists the soft fonts. */
#define KORVAL_ERR_WRITE_SOFT_FONT_LIST (-2084)
#define KORVAL_ERR_NO_OUTPUT_SOFT_FONT_LIST (-3037)
KORVAL_API int OBX_SoftFontList(void);

/* EK"%c": deletes the soft font `fontId` ('A'...'Z', or '*' for all; others rejected). */
#define KORVAL_ERR_INVALID_SOFT_FONT_DEL (-2085)
#define KORVAL_ERR_WRITE_SOFT_FONT_DEL (-2086)
#define KORVAL_ERR_NO_OUTPUT_SOFT_FONT_DEL (-3038)
KORVAL_API int OBX_SoftFontDel(char fontId);

/* FI: lists the stored forms. */
#define KORVAL_ERR_WRITE_FORM_LIST (-2087)
#define KORVAL_ERR_NO_OUTPUT_FORM_LIST (-3039)
KORVAL_API int OBX_FormList(void);

/* FK"%s": deletes the stored form `formName`. */
#define KORVAL_ERR_INVALID_FORM_DEL (-2089)
#define KORVAL_ERR_WRITE_FORM_DEL (-2090)
#define KORVAL_ERR_NO_OUTPUT_FORM_DEL (-3040)
KORVAL_API int OBX_FormDel(const char *formName);

/* FS"%s": starts storing the commands that follow as the form `formName`. */
#define KORVAL_ERR_INVALID_FORM_DOWNLOAD (-2092)
#define KORVAL_ERR_WRITE_FORM_DOWNLOAD (-2093)
#define KORVAL_ERR_NO_OUTPUT_FORM_DOWNLOAD (-3041)
KORVAL_API int OBX_FormDownload(const char *formName);

/* FE: ends the form being stored. */
#define KORVAL_ERR_WRITE_FORM_END (-2094)
#define KORVAL_ERR_NO_OUTPUT_FORM_END (-3042)
KORVAL_API int OBX_FormEnd(void);

/* FR"%s": runs the stored form `formName`. */
#define KORVAL_ERR_INVALID_EXEC_FORM (-2096)
#define KORVAL_ERR_WRITE_EXEC_FORM (-2097)
#define KORVAL_ERR_NO_OUTPUT_EXEC_FORM (-3043)
KORVAL_API int OBX_ExecForm(const char *formName);

/* C%d,%d,%c,%s,"%s" (counter, maxDigits, justification, step, prompt): defines a counter
 * of a form. Rejected: `counter` outside 0...9, `maxDigits` outside 1...40,
 * `justification` not 'L', 'C', 'R' or 'N'. */
#define KORVAL_ERR_INVALID_DEFINE_COUNTER (-2101)
#define KORVAL_ERR_WRITE_DEFINE_COUNTER (-2100)
#define KORVAL_ERR_NO_OUTPUT_DEFINE_COUNTER (-3044)
KORVAL_API int OBX_DefineCounter(int counter, int maxDigits, char justification, const char *step,
                                 const char *prompt);

/* V%d,%d,%c,"%s" (variable, maxLength, justification, prompt): defines a variable of a
 * form. Rejected: `variable` outside 0...99, `maxLength` outside 1...99, `justification`
 * not 'L', 'C', 'R' or 'N'. Its write code has the number of
 * KORVAL_ERR_SEND_FILE_APPEND. */
#define KORVAL_ERR_INVALID_DEFINE_VARIABLE (-2104)
#define KORVAL_ERR_WRITE_DEFINE_VARIABLE (-2102)
#define KORVAL_ERR_NO_OUTPUT_DEFINE_VARIABLE (-3045)
KORVAL_API int OBX_DefineVariable(int variable, int maxLength, char justification,
                                  const char *prompt);

/* ?: the values of a form's variables and counters follow, one per line. */
#define KORVAL_ERR_WRITE_DOWNLOAD (-2105)
#define KORVAL_ERR_NO_OUTPUT_DOWNLOAD (-3046)
KORVAL_API int OBX_Download(void);

/* %s: the text as a line of its own (a value after OBX_Download). */
#define KORVAL_ERR_INVALID_DOWNLOAD_INIT_VAR (-2208) /* a line break in its text */
#define KORVAL_ERR_WRITE_DOWNLOAD_INIT_VAR (-2107)
#define KORVAL_ERR_NO_OUTPUT_DOWNLOAD_INIT_VAR (-3047)
KORVAL_API int OBX_DownloadInitVar(const char *text);

/* g%d: the gap between characters; coerced into -99...99. */
#define KORVAL_ERR_WRITE_SET_FONT_GAP (-2137)
#define KORVAL_ERR_NO_OUTPUT_SET_FONT_GAP (-3067)
KORVAL_API int OBX_SetFontGap(int gap);

/* BF"%c",%d,%d (fontId, field2, field3): the font of bar codes' human-readable text; the
 * two numbers are written unchanged. */
#define KORVAL_ERR_INVALID_SET_BARCODE_FONT_NAME (-2210) /* a line break in its text */
#define KORVAL_ERR_WRITE_SET_BARCODE_FONT_NAME (-2138)
#define KORVAL_ERR_NO_OUTPUT_SET_BARCODE_FONT_NAME (-3068)
KORVAL_API int OBX_SetBarCodeFontName(char fontId, int field2, int field3);

/* I%d,%c,%s (dataBits, codePage, country): the character set of printer-font text. */
#define KORVAL_ERR_INVALID_SET_CHAR_SETS (-2211) /* a line break in its text */
#define KORVAL_ERR_WRITE_SET_CHAR_SETS (-2139)
#define KORVAL_ERR_NO_OUTPUT_SET_CHAR_SETS (-3069)
KORVAL_API int OBX_SetCharSets(int dataBits, char codePage, const char *country);

/* CF%d,%c,%s (number, fontId, fontName): renames a downloaded font. */
#define KORVAL_ERR_INVALID_RENAME_DOWNLOAD_FONT (-2212) /* a line break in its text */
#define KORVAL_ERR_WRITE_RENAME_DOWNLOAD_FONT (-2140)
#define KORVAL_ERR_NO_OUTPUT_RENAME_DOWNLOAD_FONT (-3070)
KORVAL_API int OBX_RenameDownloadFont(int number, char fontId, const char *fontName);

/* ---- Printer control and RFID --------------------------------------------------------- */

/* JB: the printer does not pull the label back before printing. */
#define KORVAL_ERR_WRITE_DISABLE_BACK_FEED (-2112)
#define KORVAL_ERR_NO_OUTPUT_DISABLE_BACK_FEED (-3049)
KORVAL_API int OBX_DisableBackFeed(void);

/* JF: the printer pulls the label back before printing. */
#define KORVAL_ERR_WRITE_ENABLE_BACK_FEED (-2113)
#define KORVAL_ERR_NO_OUTPUT_ENABLE_BACK_FEED (-3050)
KORVAL_API int OBX_EnableBackFeed(void);

/* U: prints the printer's configuration. */
#define KORVAL_ERR_WRITE_PRINT_CONFIGURATION (-2114)
#define KORVAL_ERR_NO_OUTPUT_PRINT_CONFIGURATION (-3051)
KORVAL_API int OBX_PrintConfiguration(void);

/* O%c: a printer option `state`, one of 'P', 'L', 'D', 'C', 'N' (others rejected). */
#define KORVAL_ERR_INVALID_SET_PRINTER_STATE (-2116)
#define KORVAL_ERR_WRITE_SET_PRINTER_STATE (-2115)
#define KORVAL_ERR_NO_OUTPUT_SET_PRINTER_STATE (-3052)
KORVAL_API int OBX_SetPrinterState(char state);

/* ZS: stores downloads in flash memory. */
#define KORVAL_ERR_WRITE_ENABLE_FLASH (-2119)
#define KORVAL_ERR_NO_OUTPUT_ENABLE_FLASH (-3055)
KORVAL_API int OBX_EnableFLASH(void);

/* ZN: stores downloads in working memory. */
#define KORVAL_ERR_WRITE_DISABLE_FLASH (-2120)
#define KORVAL_ERR_NO_OUTPUT_DISABLE_FLASH (-3056)
KORVAL_API int OBX_DisableFLASH(void);

/* FM: feeds one label. */
#define KORVAL_ERR_WRITE_FEED_MEDIA (-2121)
#define KORVAL_ERR_NO_OUTPUT_FEED_MEDIA (-3057)
KORVAL_API int OBX_FeedMedia(void);

/* MD: measures the label. */
#define KORVAL_ERR_WRITE_MEDIA_DETECT (-2122)
#define KORVAL_ERR_NO_OUTPUT_MEDIA_DETECT (-3058)
KORVAL_API int OBX_MediaDetect(void);

/* #UM>CP%03d: cuts after every `labels` labels; outside 1...999 coerced to 1. */
#define KORVAL_ERR_WRITE_CUT_PAGE (-2123)
#define KORVAL_ERR_NO_OUTPUT_CUT_PAGE (-3059)
KORVAL_API int OBX_CutPage(int labels);

/* CT%d: cuts after every `labels` labels; outside 1...999 coerced to 1. */
#define KORVAL_ERR_WRITE_CUT_PAGE_EX (-2124)
#define KORVAL_ERR_NO_OUTPUT_CUT_PAGE_EX (-3060)
KORVAL_API int OBX_CutPageEx(int labels);

/* ^@: resets the printer. */
#define KORVAL_ERR_WRITE_RESET (-2125)
#define KORVAL_ERR_NO_OUTPUT_RESET (-3061)
KORVAL_API int OBX_Reset(void);

/* ^ee: the status request, here only added to the spool file. */
#define KORVAL_ERR_WRITE_FEED_BACK (-2126)
#define KORVAL_ERR_NO_OUTPUT_FEED_BACK (-3062)
KORVAL_API int OBX_FeedBack(void);

/* The RFID commands write their numbers unchanged (`field1`...`field5`); the printer's
 * RFID module gives them their meaning. */

/* RF%d,%d,%d,%d,%d,"%s": reads or writes the label's RFID tag with `data`. */
#define KORVAL_ERR_INVALID_RW_RFID_LABEL (-2205) /* a line break in its text */
#define KORVAL_ERR_WRITE_RW_RFID_LABEL (-2132)
#define KORVAL_ERR_NO_OUTPUT_RW_RFID_LABEL (-3063)
KORVAL_API int OBX_RWRFIDLabel(int field1, int field2, int field3, int field4, int field5,
                               const char *data);

/* RZ%d,%d,"%s": sets the tag's password `data` and locks it. */
#define KORVAL_ERR_INVALID_LOCK_RF_LABEL (-2206) /* a line break in its text */
#define KORVAL_ERR_WRITE_LOCK_RF_LABEL (-2134)
#define KORVAL_ERR_NO_OUTPUT_LOCK_RF_LABEL (-3064)
KORVAL_API int OBX_SetRFLabelPWAndLockRFLabel(int field1, int field2, const char *data);

/* RS%d,%d,%d,%d,%d: sets up the RFID module. */
#define KORVAL_ERR_WRITE_SET_RFID (-2136)
#define KORVAL_ERR_NO_OUTPUT_SET_RFID (-3066)
KORVAL_API int OBX_SetRFID(int field1, int field2, int field3, int field4, int field5);

/* MR: calibrates the RFID module. Its no-output code has the number of
 * KORVAL_ERR_STATUS_REQUEST. */
#define KORVAL_ERR_WRITE_RFID_CALIBRATE (-2166)
#define KORVAL_ERR_NO_OUTPUT_RFID_CALIBRATE (-3074)
KORVAL_API int OBX_RFIDCalibrate(void);

/* RA%d,%d,%d,%d,%d,"%s": as OBX_RWRFIDLabel, the printer's second form. */
#define KORVAL_ERR_INVALID_RW_RFID_LABEL_EX (-2207) /* a line break in its text */
#define KORVAL_ERR_WRITE_RW_RFID_LABEL_EX (-2168)
#define KORVAL_ERR_NO_OUTPUT_RW_RFID_LABEL_EX (-3075)
KORVAL_API int OBX_RWRFIDLabelEx(int field1, int field2, int field3, int field4, int field5,
                                 const char *data);

/* ---- Graphics, TrueType text and library-drawn QR codes --------------------------------
 * The printer stores graphics by name. PCX graphics are one bit per pixel, a clear bit
 * printing black; raw bitmaps are rows of whole bytes, top row first, the leftmost dot in
 * the most significant bit, a set bit printing black. Graphic data follows its command
 * header without a line end and is written in pieces of at most 1,024,000 bytes, in
 * order. */

/* GI: lists the stored PCX graphics. */
#define KORVAL_ERR_WRITE_PCX_LIST (-2047)
#define KORVAL_ERR_NO_OUTPUT_PCX_LIST (-3021)
KORVAL_API int OBX_PcxGraphicsList(void);

/* GK"%s": deletes the stored PCX graphic `name`. */
#define KORVAL_ERR_INVALID_PCX_DEL (-2049)
#define KORVAL_ERR_WRITE_PCX_DEL (-2050)
#define KORVAL_ERR_NO_OUTPUT_PCX_DEL (-3022)
KORVAL_API int OBX_PcxGraphicsDel(const char *name);

/* GM"%s"%d (name, file size in bytes), then the bytes of the PCX file at `pcxPath`: stores
 * it as the graphic `name`. */
#define KORVAL_ERR_MEMORY_PCX_DOWNLOAD (-2052) /* no memory for the copy buffer */
#define KORVAL_ERR_OPEN_PCX_DOWNLOAD (-2053)   /* the file cannot be opened */
#define KORVAL_ERR_INVALID_PCX_DOWNLOAD (-2054)
#define KORVAL_ERR_HEADER_PCX_DOWNLOAD (-2055) /* the GM line could not be written */
#define KORVAL_ERR_DATA_PCX_DOWNLOAD (-2056)   /* the data could not be read or written */
#define KORVAL_ERR_NO_OUTPUT_PCX_DOWNLOAD (-3023)
KORVAL_API int OBX_PcxGraphicsDownload(const char *name, const char *pcxPath);

/* GG%d,%d,"%s" (x, y, name): draws the stored PCX graphic `name`. */
#define KORVAL_ERR_INVALID_DRAW_PCX (-2058)
#define KORVAL_ERR_WRITE_DRAW_PCX (-2059)
#define KORVAL_ERR_NO_OUTPUT_DRAW_PCX (-3024)
KORVAL_API int OBX_DrawPcxGraphics(int x, int y, const char *name);

/* GK, GM and GG: deletes, downloads and draws at (x, y) the PCX file `pcxPath` under a
 * name made of its last 15 bytes (the whole path when shorter than 16). When any step
 * fails, that step's own code is what OBX_GetErrState showed before the failure code. */
#define KORVAL_ERR_PRINT_PCX (-2060)
#define KORVAL_ERR_NO_OUTPUT_PRINT_PCX (-3025)
KORVAL_API int OBX_PrintPCX(int x, int y, const char *pcxPath);

/* GM"%s"%d, then a PCX converted from the Windows BMP `bmpPath` (1 or 24 bits per pixel,
 * uncompressed) and written beside it as `bmpPath` + ".pcx" (it stays there), turned by
 * `rotation` (1 = 90 degrees clockwise, 2 = 180, 3 = 90 counter-clockwise, other values
 * none). A 24-bit pixel prints black when its luminance (30 R + 59 G + 11 B) / 100 is
 * below 128; a 1-bit picture prints its dark colour. The conversion codes download
 * nothing. */
/* KORVAL_ERR_BMP_READ: the BMP cannot be read, is cut short or malformed (sizes, offsets,
 * dimensions of 0, negative or above 65535). */
#define KORVAL_ERR_BMP_READ (-2143)
#define KORVAL_ERR_BMP_FORMAT (-2063)   /* neither 1 nor 24 bits per pixel, or compressed */
#define KORVAL_ERR_BMP_PCX_FILE (-2064) /* the PCX file cannot be written or opened */
#define KORVAL_ERR_INVALID_BMP_DOWNLOAD (-2065)
#define KORVAL_ERR_HEADER_BMP_DOWNLOAD (-2066) /* the GM line could not be written */
#define KORVAL_ERR_DATA_BMP_DOWNLOAD (-2067)   /* the data could not be written */
#define KORVAL_ERR_NO_OUTPUT_BMP_DOWNLOAD (-3026)
KORVAL_API int OBX_BmpGraphicsDownload(const char *name, const char *bmpPath, int rotation);

/* BI: lists the stored raw graphics. */
#define KORVAL_ERR_WRITE_BIN_LIST (-2068)
#define KORVAL_ERR_NO_OUTPUT_BIN_LIST (-3027)
KORVAL_API int OBX_BinGraphicsList(void);

/* BK"%s": deletes the stored raw graphic `name`. */
#define KORVAL_ERR_INVALID_BIN_DEL (-2070)
#define KORVAL_ERR_WRITE_BIN_DEL (-2071)
#define KORVAL_ERR_NO_OUTPUT_BIN_DEL (-3028)
KORVAL_API int OBX_BinGraphicsDel(const char *name);

/* GD"%s"%d,%d, (name, width in bytes, height in dots), then widthBytes * height bytes of
 * `data`: stores them as the raw graphic `name` (not checked but for line breaks). Null
 * `data` for a positive size writes nothing (KORVAL_ERR_DATA_BIN_DOWNLOAD); a failed
 * header writes no data; a failed data write ends at once. */
#define KORVAL_ERR_INVALID_BIN_DOWNLOAD (-2209) /* a line break in its text */
#define KORVAL_ERR_HEADER_BIN_DOWNLOAD (-2072)
#define KORVAL_ERR_DATA_BIN_DOWNLOAD (-2073)
#define KORVAL_ERR_NO_OUTPUT_BIN_DOWNLOAD (-3029)
KORVAL_API int OBX_BinGraphicsDownload(const char *name, int widthBytes, int height,
                                       const unsigned char *data);

/* GC%d,%d,"%s" (x, y, name): draws the stored raw graphic `name`. */
#define KORVAL_ERR_INVALID_RECALL_BIN (-2076)
#define KORVAL_ERR_WRITE_RECALL_BIN (-2075)
#define KORVAL_ERR_NO_OUTPUT_RECALL_BIN (-3030)
KORVAL_API int OBX_RecallBinGraphics(int x, int y, const char *name);

/* GW%d,%d,%d,%d (x, y, width in bytes, height in dots), then widthBytes * height bytes of
 * `data`: draws them without storing. Header and data fail as for OBX_BinGraphicsDownload. */
#define KORVAL_ERR_HEADER_DRAW_BIN (-2077)
#define KORVAL_ERR_DATA_DRAW_BIN (-2078)
#define KORVAL_ERR_NO_OUTPUT_DRAW_BIN (-3031)
KORVAL_API int OBX_DrawBinGraphics(int x, int y, int widthBytes, int height,
                                   const unsigned char *data);

/* GK, GM and GG: renders `text` in a TrueType face into a one-bit bitmap, stores it as the
 * PCX graphic `graphicName` (through the temporary file <current directory>/ombrix.pcx,
 * deleted on every path) and draws it. `height` is the character cell (ascent + descent)
 * in dots when positive, the em size when negative; `width` 0 keeps the natural width,
 * else it is the average character width; `faceName` is found by fontconfig (a face that
 * is not installed gives the one substituted for it, "Arial" gives Liberation Sans);
 * `weight` 100...900, 0 meaning 400, faces without that weight are emboldened; `italic`,
 * `underline`, `strikeOut` non-zero to turn them on; `text` is UTF-8 (or Windows-1252).
 * `orientation`: 1 top-left corner at (x, y); 2 turned 90 degrees clockwise, left of x;
 * 3 upside down, left of x and above y; 4 turned 90 degrees counter-clockwise, above y;
 * 5 to 8 the same turns centred on (x, y). The bitmap's sides are rounded up to 16 dots;
 * a graphic that would start left of or above the label is moved to 0. Nothing is drawn
 * when the graphic could not be stored; then the codes of OBX_PcxGraphicsDownload, or: */
#define KORVAL_ERR_TEXT_FONT (-2019) /* font machinery failed, or bad orientation */
#define KORVAL_ERR_TEXT_TOO_LARGE                                                                  \
    (-2020)                                 /* beyond 16 MiB or 65535 dots a side, or a            \
                                             * height or width beyond +-65535 */
#define KORVAL_ERR_PCX_BITMAP (-2022)       /* the bitmap is not one bit of whole bytes */
#define KORVAL_ERR_PCX_CREATE (-2023)       /* the PCX file could not be written */
#define KORVAL_ERR_PCX_ROW_TOO_LONG (-2025) /* a row encodes beyond 1,024 bytes */
#define KORVAL_ERR_NO_OUTPUT_DRAW_TEXT_TRUETYPE (-3012)
KORVAL_API int OBX_DrawTextTrueTypeW(unsigned int x, unsigned int y, int height, int width,
                                     const char *faceName, int orientation, int weight, int italic,
                                     int underline, int strikeOut, const char *graphicName,
                                     const char *text);

/* BK, GD and GC: encodes `data` as a QR code (model 2) in the library, turns it by
 * `rotation` (as for BMP), makes each module `magnification` dots square (0 and values
 * above 99 mean 1) and stores it as the raw graphic `graphicName` recalled at (x, y).
 * `level` 0 L, 1 M, 2 Q, 3 H; `version` 0 the smallest that fits, 1...40 forced; `mask`
 * 0...7, or 8 for the lowest penalty. Data is a byte string: digits, the 45 alphanumeric
 * characters, Shift JIS kanji and other bytes are each encoded in their own mode. Also the
 * first failing code of OBX_BinGraphicsDel, OBX_BinGraphicsDownload,
 * OBX_RecallBinGraphics. */
/* KORVAL_ERR_QR_ENCODE: the data is empty or too long, the forced version too small, or
 * level, version or mask out of range; nothing is written. */
#define KORVAL_ERR_QR_ENCODE (-2037)
#define KORVAL_ERR_NO_OUTPUT_DRAW_QR_EX (-3017)
KORVAL_API int OBX_DrawBar2D_QREx(int x, int y, int rotation, int magnification, int level,
                                  int version, int mask, const char *graphicName, const char *data);

/* The no-output code of the library's internal PCX download of a rendered bitmap; the
 * exports above report their own first. It has the number of KORVAL_ERR_SEND_FILE_READ. */
#define KORVAL_ERR_NO_OUTPUT_PCX_BITMAP (-3071)

#ifdef __cplusplus
}
#endif

#endif /* KORVAL_H */
