// The recording backend and recording DCs.

#include "platform/winapi/DcRecording.h"

#include "platform/winapi/DeviceContexts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::shared_ptr<GdiObject> CopyOf(const GdiObject& O)
{
    auto Copy = std::make_shared<GdiObject>(O);
    Copy->Stock = false;
    Copy->SelectCount = 0;
    Copy->DeletePending = false;
    Copy->PainterOwner = nullptr;
    return Copy;
}

}  // namespace

DcRecord& RecordingBackend::Add(DcOp Op, const DrawContext& C)
{
    DcRecord& R = FRecords.emplace_back();
    R.Op = Op;
    R.S = C.S;
    R.S.Font = R.S.Pen = R.S.Brush = nullptr;
    R.S.Clip.reset();
    R.Font = CopyOf(C.Font);
    R.Pen = CopyOf(C.Pen);
    R.Brush = CopyOf(C.Brush);
    R.ToDevice = C.ToDevice;
    R.Clip = C.Clip;
    return R;
}

QRect RecordingBackend::PatBlt(const DrawContext& C, const QRect& Rect, GdiObject& Brush, unsigned Rop3)
{
    DcRecord& R = Add(DcOp::PatBlt, C);
    R.Rect = Rect;
    R.PatBrush = CopyOf(Brush);
    R.Rop3 = Rop3;
    return {};
}

QRect RecordingBackend::Polyline(const DrawContext& C, const QPolygon& Points)
{
    Add(DcOp::Polyline, C).Polygons = {Points};
    return {};
}

QRect RecordingBackend::PolyPolygon(const DrawContext& C, const std::vector<QPolygon>& Polygons)
{
    Add(DcOp::PolyPolygon, C).Polygons = Polygons;
    return {};
}

QRect RecordingBackend::PolyBezier(const DrawContext& C, const QPolygon& Points)
{
    Add(DcOp::PolyBezier, C).Polygons = {Points};
    return {};
}

QRect RecordingBackend::Shape(const DrawContext& C, ShapeKind Kind, const QRect& Rect, QSize Corner)
{
    DcRecord& R = Add(DcOp::Shape, C);
    R.Shape = Kind;
    R.Rect = Rect;
    R.Corner = Corner;
    return {};
}

QRect RecordingBackend::Path(const DrawContext& C, const QPainterPath& Path, bool Fill, bool Stroke)
{
    DcRecord& R = Add(DcOp::Path, C);
    R.PathData = Path;
    R.Fill = Fill;
    R.Stroke = Stroke;
    return {};
}

QRect RecordingBackend::Text(const DrawContext& C, const TextCall& T)
{
    DcRecord& R = Add(DcOp::Text, C);
    R.Text = T;
    R.TextWidth = TextCallWidth(C, T);
    return {};
}

QRect RecordingBackend::Blit(const DrawContext& C, const QRect& Dest, const BlitSource& Source, const Blend& How)
{
    DcRecord& R = Add(DcOp::Blit, C);
    R.Rect = Dest;
    R.Image = Source.Image;
    R.SourceRect = Source.Rect;
    R.SourceMonochrome = Source.Monochrome;
    R.SourceBkColor = Source.BkColor;
    R.How = How;
    return {};
}

COLORREF RecordingBackend::SetPixel(const DrawContext& C, QPoint P, COLORREF Color)
{
    DcRecord& R = Add(DcOp::SetPixel, C);
    R.Point = P;
    R.Color = Color;
    return Color & 0xFFFFFF;
}

void RecordingBackend::Replay(DcBackend& Target, const QRegion& TargetClip) const
{
    for (const DcRecord& R : FRecords) {
        const DrawContext C {R.S, *R.Font, *R.Pen, *R.Brush, R.ToDevice, R.Clip & TargetClip};
        switch (R.Op) {
        case DcOp::PatBlt: Target.PatBlt(C, R.Rect, *R.PatBrush, R.Rop3); break;
        case DcOp::Polyline: Target.Polyline(C, R.Polygons.front()); break;
        case DcOp::PolyPolygon: Target.PolyPolygon(C, R.Polygons); break;
        case DcOp::PolyBezier: Target.PolyBezier(C, R.Polygons.front()); break;
        case DcOp::Shape: Target.Shape(C, R.Shape, R.Rect, R.Corner); break;
        case DcOp::Path: Target.Path(C, R.PathData, R.Fill, R.Stroke); break;
        case DcOp::Text: Target.Text(C, R.Text); break;
        case DcOp::Blit:
            Target.Blit(C, R.Rect, BlitSource {R.Image, R.SourceRect, R.SourceMonochrome, R.SourceBkColor}, R.How);
            break;
        case DcOp::SetPixel: Target.SetPixel(C, R.Point, R.Color); break;
        }
    }
}

// ---- recording DCs ---------------------------------------------------------------------

namespace {

RecordingBackend* RecorderOf(HDC DC)
{
    return DC ? dynamic_cast<RecordingBackend*>(DC->Backend.get()) : nullptr;
}

}  // namespace

HDC CreateRecordingDC(int Width, int Height)
{
    return CreateBackendDC(std::make_unique<RecordingBackend>(QSize(std::max(Width, 0), std::max(Height, 0))));
}

int RecordedCallCount(HDC DC)
{
    const RecordingBackend* R = RecorderOf(DC);
    return R ? static_cast<int>(R->Records().size()) : -1;
}

BOOL PlayRecording(HDC Recording, HDC Target)
{
    const RecordingBackend* R = RecorderOf(Recording);
    DcBackend* To = TargetOf(Target);
    if (!R || !To)
        return false;
    R->Replay(*To, Target->EffectiveClip());
    Target->Touch(QRect(QPoint(0, 0), To->Size()));
    return true;
}

// ---- the call log ------------------------------------------------------------------------

namespace {

std::string Hex(COLORREF C)
{
    char Buffer[8];
    std::snprintf(Buffer, sizeof Buffer, "%02X%02X%02X", GetRValue(C), GetGValue(C), GetBValue(C));
    return Buffer;
}

std::string Point(const QTransform& T, QPoint P)
{
    const QPointF D = T.map(QPointF(P));
    return std::to_string(RoundDevice(D.x())) + "," + std::to_string(RoundDevice(D.y()));
}

std::string Box(const QRect& R)
{
    return std::to_string(R.left()) + "," + std::to_string(R.top()) + "," + std::to_string(R.left() + R.width())
        + "," + std::to_string(R.top() + R.height());
}

std::string Points(const QTransform& T, const QPolygon& P)
{
    std::string Out;
    for (const QPoint& Q : P)
        Out += (Out.empty() ? "" : " ") + Point(T, Q);
    return Out;
}

std::string PenText(const GdiObject& P)
{
    static const char* const Styles[] = {"solid", "dash", "dot", "dashdot", "dashdotdot", "null", "insideframe"};
    const char* Style = P.PenStyle >= 0 && P.PenStyle <= 6 ? Styles[P.PenStyle] : "user";
    if (P.PenStyle == PS_NULL)
        return "pen null";
    return std::string("pen ") + Style + " " + std::to_string(P.PenWidth) + " " + Hex(P.PenColor);
}

std::string BrushText(const GdiObject& B)
{
    switch (B.BrushStyle) {
    case BS_SOLID: return "brush solid " + Hex(B.BrushColor);
    case BS_NULL: return "brush null";
    case BS_HATCHED: return "brush hatched " + std::to_string(B.Hatch) + " " + Hex(B.BrushColor);
    default: return "brush pattern " + std::to_string(B.Pattern.width()) + "x" + std::to_string(B.Pattern.height());
    }
}

std::string FontText(const GdiObject& F, const QTransform& T)
{
    const LOGFONT& L = F.LogFont;
    const int Height = RoundDevice(std::abs(L.lfHeight) * std::sqrt(std::abs(T.determinant())));
    std::string Out = "font " + L.lfFaceName.ToUtf8() + " " + std::to_string(L.lfHeight < 0 ? Height : -Height);
    if (L.lfWeight >= FW_SEMIBOLD)
        Out += " bold";
    if (L.lfItalic)
        Out += " italic";
    if (L.lfUnderline)
        Out += " underline";
    if (L.lfEscapement)
        Out += " turned " + std::to_string(L.lfEscapement);
    return Out;
}

}  // namespace

std::vector<std::string> RecordedCallLog(HDC DC)
{
    std::vector<std::string> Out;
    const RecordingBackend* R = RecorderOf(DC);
    if (!R)
        return Out;
    const QRegion Whole(QRect(QPoint(0, 0), R->Size()));
    for (const DcRecord& C : R->Records()) {
        const QTransform& T = C.ToDevice;
        std::string L;
        switch (C.Op) {
        case DcOp::PatBlt: {
            char Rop[8];
            std::snprintf(Rop, sizeof Rop, "%02X", C.Rop3 & 0xFF);
            L = "fill " + Box(MapRect(T, C.Rect.normalized())) + " " + BrushText(*C.PatBrush) + " rop " + Rop;
            break;
        }
        case DcOp::Polyline: L = "line " + Points(T, C.Polygons.front()) + " " + PenText(*C.Pen); break;
        case DcOp::PolyPolygon: {
            L = "polygon";
            for (size_t I = 0; I < C.Polygons.size(); ++I)
                L += (I ? " ; " : " ") + Points(T, C.Polygons[I]);
            L += " " + PenText(*C.Pen) + " " + BrushText(*C.Brush);
            break;
        }
        case DcOp::PolyBezier: L = "bezier " + Points(T, C.Polygons.front()) + " " + PenText(*C.Pen); break;
        case DcOp::Shape: {
            static const char* const Kinds[] = {"rectangle", "ellipse", "roundrect"};
            L = std::string(Kinds[static_cast<int>(C.Shape)]) + " " + Box(MapRect(T, C.Rect.normalized()));
            if (C.Shape == ShapeKind::RoundRect)
                L += " corner " + std::to_string(C.Corner.width()) + "," + std::to_string(C.Corner.height());
            L += " " + PenText(*C.Pen) + " " + BrushText(*C.Brush);
            break;
        }
        case DcOp::Path:
            L = std::string("path ") + (C.Fill && C.Stroke ? "fill+stroke" : C.Fill ? "fill" : "stroke") + " "
                + Box(T.map(C.PathData).boundingRect().toAlignedRect()) + " " + PenText(*C.Pen) + " "
                + BrushText(*C.Brush);
            break;
        case DcOp::Text: {
            L = "text " + Point(T, C.Text.Ref) + " \"" + C.Text.Text.toStdString() + "\" " + FontText(*C.Font, T)
                + " color " + Hex(C.S.TextColor)
                + (C.S.BkMode == OPAQUE ? " opaque " + Hex(C.S.BkColor) : std::string(" transparent"))
                + " align " + std::to_string(C.S.TextAlign & ~TA_UPDATECP) + " width "
                + std::to_string(RoundDevice(C.TextWidth * std::abs(T.m11())));
            if (C.Text.Rect) {
                L += " box " + Box(MapRect(T, C.Text.Rect->normalized()));
                if (C.Text.Options & ETO_CLIPPED)
                    L += " clipped";
                if (C.Text.Options & ETO_OPAQUE)
                    L += " filled";
            }
            break;
        }
        case DcOp::Blit: {
            L = "picture " + Box(MapRect(T, C.Rect.normalized())) + " from " + Box(C.SourceRect.normalized()) + " of "
                + std::to_string(C.Image.width()) + "x" + std::to_string(C.Image.height());
            if (C.How.Kind == BlendKind::Transparent) {
                L += " transparent " + Hex(C.How.Transparent);
            } else if (C.How.Kind == BlendKind::Alpha) {
                L += " alpha " + std::to_string(C.How.Alpha.SourceConstantAlpha);
            } else {
                char Rop[8];
                std::snprintf(Rop, sizeof Rop, "%02X", C.How.Rop3 & 0xFF);
                L += std::string(" rop ") + Rop;
            }
            break;
        }
        case DcOp::SetPixel: L = "pixel " + Point(T, C.Point) + " " + Hex(C.Color); break;
        }
        if (C.Clip != Whole)
            L += " clip " + Box(C.Clip.boundingRect());
        Out.push_back(std::move(L));
    }
    return Out;
}
