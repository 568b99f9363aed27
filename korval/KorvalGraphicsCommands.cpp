// Stored graphics of the printer: PCX files (as they are, converted from BMP, or written
// from a rendered text line) and raw bitmaps, with their list, delete, draw and recall
// commands. Graphic data goes into the spool file in pieces of at most one buffer.
#include "KorvalApiLock.h"
#include "KorvalBmp.h"
#include "KorvalCommand.h"
#include "KorvalGraphics.h"
#include "KorvalPcx.h"
#include "KorvalSpoolFile.h"
#include "korval.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr const char *kTextGraphicFile = "/ombrix.pcx"; // in the current directory
constexpr size_t kPrintPcxNameLength = 15; // OBX_PrintPCX names a graphic by its path's tail

// Codes of one file download: open, header write, data write, no memory.
struct FileDownloadCodes
{
    int open;
    int header;
    int data;
    int memory;
};

// Writes GM"name"size and the file's bytes in pieces, in file order. 0 or a code (stored).
int downloadFile(const char *name, const char *path, const FileDownloadCodes &codes)
{
    std::FILE *file = path ? std::fopen(path, "rb") : nullptr;
    if (!file)
        return korvalFail(codes.open);
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    std::unique_ptr<char[]> chunk(new (std::nothrow) char[kKorvalBufferSize]);
    int result = 0;
    if (size < 0)
        result = korvalFail(codes.open);
    else if (!chunk)
        result = korvalFail(codes.memory);
    else if (korvalWriteCommand("GM\"%s\"%ld\r\n", name, size) != 0)
        result = korvalFail(codes.header);
    for (long done = 0; result == 0 && done < size;) {
        const size_t want = std::min(kKorvalBufferSize, static_cast<size_t>(size - done));
        const size_t got = std::fread(chunk.get(), 1, want, file);
        if (got != want || korvalWriteBytes(chunk.get(), got) != 0)
            result = korvalFail(codes.data);
        done += static_cast<long>(got);
    }
    std::fclose(file);
    return result;
}

// Commands that place a named graphic: <word>x,y,"<name>".
int placeCommand(int noOutputCode, int invalidCode, int writeCode, const char *word, int x, int y,
                 const char *name)
{
    if (!korvalOutputOpen())
        return korvalFail(noOutputCode);
    if (!korvalNameValid(name))
        return korvalFail(invalidCode);
    return korvalCommand(writeCode, "%s%d,%d,\"%s\"\r\n", word, x, y, name);
}

// Raw bitmap data after its header: a failed header is remembered while the data is
// still written; a failed data write ends at once.
int writeRawGraphic(int headerResult, int headerCode, int dataCode, int widthBytes, int height,
                    const unsigned char *data)
{
    const size_t size = widthBytes > 0 && height > 0
                            ? static_cast<size_t>(widthBytes) * static_cast<size_t>(height)
                            : 0;
    if (size > 0 && (!data || korvalWriteChunked(data, size) != 0))
        return korvalFail(dataCode);
    return headerResult == 0 ? 0 : korvalFail(headerCode);
}

} // namespace

int downloadBitmapAsPcx(const unsigned char *bits, int width, int height, int depth,
                        const char *name)
{
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_PCX_BITMAP);
    if (depth != 1 || width <= 0 || height <= 0 || width % 8 != 0)
        return korvalFail(KORVAL_ERR_PCX_BITMAP);
    const std::string directory = korvalCurrentDirectory();
    if (directory.empty())
        return korvalFail(KORVAL_ERR_PCX_CREATE);
    const std::string path = directory + kTextGraphicFile;
    if (const int code = writeBitmapPcxFile(path.c_str(), bits, width, height))
        return korvalFail(code); // the file is already gone
    OBX_PcxGraphicsDel(name);
    const int result = OBX_PcxGraphicsDownload(name, path.c_str());
    korvalState().lastError = result;
    korvalSpoolFileDelete(path);
    return result;
}

extern "C" KORVAL_API int OBX_PcxGraphicsList(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_PCX_LIST, KORVAL_ERR_WRITE_PCX_LIST, "GI\r\n");
}

extern "C" KORVAL_API int OBX_PcxGraphicsDel(const char *name)
{
    const KorvalApiLock lock;
    return korvalNamedCommand(KORVAL_ERR_NO_OUTPUT_PCX_DEL, KORVAL_ERR_INVALID_PCX_DEL,
                              KORVAL_ERR_WRITE_PCX_DEL, "GK", name);
}

extern "C" KORVAL_API int OBX_PcxGraphicsDownload(const char *name, const char *pcxPath)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_PCX_DOWNLOAD);
    if (!korvalNameValid(name))
        return korvalFail(KORVAL_ERR_INVALID_PCX_DOWNLOAD);
    return downloadFile(name, pcxPath,
                        {KORVAL_ERR_OPEN_PCX_DOWNLOAD, KORVAL_ERR_HEADER_PCX_DOWNLOAD,
                         KORVAL_ERR_DATA_PCX_DOWNLOAD, KORVAL_ERR_MEMORY_PCX_DOWNLOAD});
}

extern "C" KORVAL_API int OBX_DrawPcxGraphics(int x, int y, const char *name)
{
    const KorvalApiLock lock;
    return placeCommand(KORVAL_ERR_NO_OUTPUT_DRAW_PCX, KORVAL_ERR_INVALID_DRAW_PCX,
                        KORVAL_ERR_WRITE_DRAW_PCX, "GG", x, y, name);
}

extern "C" KORVAL_API int OBX_PrintPCX(int x, int y, const char *pcxPath)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_PRINT_PCX);
    const std::string path = korvalText(pcxPath);
    const std::string name =
        path.size() > kPrintPcxNameLength ? path.substr(path.size() - kPrintPcxNameLength) : path;
    if (OBX_PcxGraphicsDel(name.c_str()) != 0 ||
        OBX_PcxGraphicsDownload(name.c_str(), pcxPath) != 0 ||
        OBX_DrawPcxGraphics(x, y, name.c_str()) != 0)
        return korvalFail(KORVAL_ERR_PRINT_PCX);
    return 0;
}

extern "C" KORVAL_API int OBX_BmpGraphicsDownload(const char *name, const char *bmpPath,
                                                  int rotation)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_BMP_DOWNLOAD);
    // A failed conversion stops here: a ".pcx" left from an earlier one is not this picture.
    const int converted = convertBmpToPcx(bmpPath, rotation);
    korvalState().lastError = converted;
    if (converted != 0)
        return converted;
    const std::string pcxPath = std::string(bmpPath) + ".pcx";
    std::FILE *probe = std::fopen(pcxPath.c_str(), "rb");
    if (!probe)
        return korvalFail(KORVAL_ERR_BMP_PCX_FILE);
    std::fclose(probe);
    if (!korvalNameValid(name))
        return korvalFail(KORVAL_ERR_INVALID_BMP_DOWNLOAD);
    return downloadFile(name, pcxPath.c_str(),
                        {KORVAL_ERR_BMP_PCX_FILE, KORVAL_ERR_HEADER_BMP_DOWNLOAD,
                         KORVAL_ERR_DATA_BMP_DOWNLOAD, KORVAL_ERR_BMP_PCX_FILE});
}

extern "C" KORVAL_API int OBX_BinGraphicsList(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_BIN_LIST, KORVAL_ERR_WRITE_BIN_LIST, "BI\r\n");
}

extern "C" KORVAL_API int OBX_BinGraphicsDel(const char *name)
{
    const KorvalApiLock lock;
    return korvalNamedCommand(KORVAL_ERR_NO_OUTPUT_BIN_DEL, KORVAL_ERR_INVALID_BIN_DEL,
                              KORVAL_ERR_WRITE_BIN_DEL, "BK", name);
}

extern "C" KORVAL_API int OBX_BinGraphicsDownload(const char *name, int widthBytes, int height,
                                                  const unsigned char *data)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_BIN_DOWNLOAD);
    const int header = korvalWriteCommand("GD\"%s\"%d,%d,", korvalText(name), widthBytes, height);
    return writeRawGraphic(header, KORVAL_ERR_HEADER_BIN_DOWNLOAD, KORVAL_ERR_DATA_BIN_DOWNLOAD,
                           widthBytes, height, data);
}

extern "C" KORVAL_API int OBX_RecallBinGraphics(int x, int y, const char *name)
{
    const KorvalApiLock lock;
    return placeCommand(KORVAL_ERR_NO_OUTPUT_RECALL_BIN, KORVAL_ERR_INVALID_RECALL_BIN,
                        KORVAL_ERR_WRITE_RECALL_BIN, "GC", x, y, name);
}

extern "C" KORVAL_API int OBX_DrawBinGraphics(int x, int y, int widthBytes, int height,
                                              const unsigned char *data)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_BIN);
    const int header = korvalWriteCommand("GW%d,%d,%d,%d", x, y, widthBytes, height);
    return writeRawGraphic(header, KORVAL_ERR_HEADER_DRAW_BIN, KORVAL_ERR_DATA_DRAW_BIN, widthBytes,
                           height, data);
}
