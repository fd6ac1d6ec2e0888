// The recording backend and recording DCs.

#include "platform/gui/DcRecording.h"

#include "platform/gui/DeviceContexts.h"

#include <algorithm>

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
    Add(DcOp::Text, C).Text = T;
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
