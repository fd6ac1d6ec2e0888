// A 1920 x 1080 screen (a desktop of windows; the invoice window's rows of
// text) quantized to 256 colours and written as an 8-bit indexed PNG,
// beside Qt's own PNG writer (32-bit colour) on the same picture; and the
// first report's call stack of the real program: its data block read, the
// index of its debug tables read and only the pieces that 50 frames need
// unpacked.

#include "exceptionlog/DataBlock.h"
#include "exceptionlog/DebugData.h"
#include "exceptionlog/Screenshot.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Files.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// A desktop of windows: a grey ground, ten windows with a caption whose
// colour runs across it (many colours), white client areas and dark
// "text" specks.
std::vector<uint32_t> Desktop(int W, int H)
{
    std::vector<uint32_t> P(size_t(W) * size_t(H), 0xFF3A6EA5u);
    std::mt19937 Gen(3);
    for (int N = 0; N < 10; ++N) {
        const int X0 = int(Gen() % unsigned(W - 600)), Y0 = int(Gen() % unsigned(H - 400));
        for (int Y = Y0; Y < Y0 + 400; ++Y)
            for (int X = X0; X < X0 + 600; ++X) {
                uint32_t C = 0xFFFFFFFFu;
                if (Y < Y0 + 22)
                    C = 0xFF000000u | (uint32_t(10 + (X - X0) * 200 / 600) << 8) | 0x80u;
                else if (Gen() % 23 == 0)
                    C = 0xFF202020u | (Gen() & 0x0F0F0Fu);
                P[size_t(Y) * size_t(W) + size_t(X)] = C;
            }
    }
    return P;
}

// The invoice window filling the screen: a grid of rows of smoothed text
// (product names, prices, bar codes), as the program shows it most.
std::vector<uint32_t> InvoiceWindow(int W, int H)
{
    // Text needs the window system's fonts: an application object on the
    // offscreen platform, made once.
    static int Argc = 1;
    static char Name[] = "exceptionlog_bench";
    static char* Argv[] = {Name, nullptr};
    if (!QGuiApplication::instance()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        new QGuiApplication(Argc, Argv);
    }
    QImage Image(W, H, QImage::Format_RGB32);
    Image.fill(Qt::white);
    QPainter P(&Image);
    P.setFont(QFont("Liberation Sans", 9));
    static const char* const Names[] = {"Молоко 3,2% 1 л", "Хлеб ржаной", "Сыр Российский 45%",
                                        "Масло сливочное 82%", "Кефир 1%", "Сахар-песок 1 кг",
                                        "Чай чёрный 100 пак.", "Кофе молотый 250 г"};
    const int RowHeight = 22, Columns = 8, ColumnWidth = W / Columns;
    P.fillRect(0, 0, W, RowHeight, QColor(0xD4, 0xD0, 0xC8));
    for (int Row = 1; Row * RowHeight < H; ++Row) {
        const int Y = Row * RowHeight;
        P.setPen(QColor(0xC0, 0xC0, 0xC0));
        P.drawLine(0, Y, W, Y);
        P.setPen(Qt::black);
        const QString Cells[Columns] = {
            QString::number(1000 + Row * 7), QString::fromUtf8(Names[Row % 8]),
            QString::number(Row % 13 + 1), QString("%1,%2").arg(40 + Row * 3).arg(Row * 7 % 100, 2, 10, QChar('0')),
            QString::fromUtf8("шт."), QString::number(4600000000000LL + Row * 1234567LL),
            QString("%1.12.2026").arg(Row % 28 + 1), QString::fromUtf8("ООО «Ромашка» № %1").arg(Row)};
        for (int C = 0; C < Columns; ++C)
            P.drawText(C * ColumnWidth + 4, Y + 16, Cells[C]);
    }
    for (int C = 1; C < Columns; ++C)
        P.drawLine(C * ColumnWidth, 0, C * ColumnWidth, H);
    P.end();
    std::vector<uint32_t> Pixels(size_t(W) * size_t(H));
    for (int Y = 0; Y < H; ++Y)
        std::memcpy(&Pixels[size_t(Y) * size_t(W)], Image.constScanLine(Y), size_t(W) * 4);
    return Pixels;
}

// Argument 0: the desktop of windows; 1: the invoice window.
std::vector<uint32_t> Picture(int64_t Kind)
{
    return Kind == 0 ? Desktop(1920, 1080) : InvoiceWindow(1920, 1080);
}

void BM_ScreenshotPNG(benchmark::State& State)
{
    const std::vector<uint32_t> P = Picture(State.range(0));
    size_t Bytes = 0;
    for (auto _ : State) {
        const std::string Png = WritePNG(PixelImage{P.data(), 1920, 1080, 1920});
        Bytes = Png.size();
        benchmark::DoNotOptimize(Png.data());
    }
    State.counters["bytes"] = double(Bytes);
}
BENCHMARK(BM_ScreenshotPNG)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_QtPNG(benchmark::State& State)
{
    std::vector<uint32_t> P = Picture(State.range(0));
    const QImage Image(reinterpret_cast<const uchar*>(P.data()), 1920, 1080, QImage::Format_RGB32);
    qint64 Bytes = 0;
    for (auto _ : State) {
        QByteArray Out;
        QBuffer Buffer(&Out);
        Buffer.open(QIODevice::WriteOnly);
        Image.save(&Buffer, "PNG");
        Bytes = Out.size();
    }
    State.counters["bytes"] = double(Bytes);
}
BENCHMARK(BM_QtPNG)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FirstReportStackOfPricetags(benchmark::State& State)
{
    std::string Block;
    {
        TFileStream File(PRICETAGS_EXE, fmOpenRead | fmShareDenyNone);
        Int64 Offset = 0, Size = 0;
        if (!FindElfSection(File, DataBlockSection, Offset, Size)) {
            State.SkipWithError("pricetags carries no data block");
            return;
        }
        Block.resize(size_t(Size));
        File.SetPosition(Offset);
        File.ReadBuffer(Block.data(), int(Size));
    }
    // 50 addresses spread over the program's procedures.
    std::vector<uint64_t> Addresses;
    {
        ModuleRecord Rec;
        ReadDataBlock(Block.data(), Block.size(), true, nullptr, Rec);
        const DebugTables T =
            ReadDebugTables(std::string(static_cast<const char*>(ModuleDebugData(Rec)->Memory()),
                                        size_t(ModuleDebugData(Rec)->Size())),
                            Rec.DataVersion, "", true);
        for (size_t I = 0; I < 50; ++I) {
            const DebugProcedure& P = T.Procedures[I * T.Procedures.size() / 50];
            Addresses.push_back(P.Start + (P.End - P.Start) / 2);
        }
    }
    size_t Frames = 0;
    for (auto _ : State) {
        ModuleRecord Rec;
        ReadDataBlock(Block.data(), Block.size(), true, nullptr, Rec);
        Rec.Handle = 0;
        Frames = 0;
        for (const uint64_t A : Addresses)
            Frames += FindSymbols(Rec, A, true).size();
        benchmark::DoNotOptimize(Frames);
    }
    State.counters["frames"] = double(Frames);
}
BENCHMARK(BM_FirstReportStackOfPricetags)->Unit(benchmark::kMillisecond);

}  // namespace
