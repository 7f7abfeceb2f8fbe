#include "test_frames.h"

#include "imaging/image_io.h"

#include <QFile>
#include <gtest/gtest.h>

namespace mwtest {

PieceSizes uniformPieces(int cw, int ch, int ew, int eh)
{
    PieceSizes s{};
    for (int k : {1, 3, 7, 9})
        s[size_t(k)] = {cw, ch};
    s[2] = s[8] = {ew, ch};
    s[4] = s[6] = {cw, eh};
    return s;
}

mw::Rgba pieceColor(int k)
{
    static const mw::Rgba colors[10] = {{0, 0, 0, 255},     {200, 0, 0, 255},   {0, 200, 0, 255},
                                        {0, 0, 200, 255},   {200, 200, 0, 255}, {0, 0, 0, 255},
                                        {0, 200, 200, 255}, {200, 0, 200, 255}, {100, 50, 0, 255},
                                        {50, 100, 150, 255}};
    return colors[k];
}

void writePieces(const QString& folder, const QString& name, const PieceSizes& sizes,
                 const std::function<mw::Rgba(int, int, int)>& paint)
{
    for (int k : {1, 2, 3, 4, 6, 7, 8, 9}) {
        const PieceDims dims = sizes[size_t(k)];
        mw::Image img(dims.width, dims.height, true, pieceColor(k));
        if (paint)
            for (int y = 0; y < dims.height; ++y)
                for (int x = 0; x < dims.width; ++x)
                    img.setPixel(x, y, paint(k, x, y));
        const QString path = folder + "/" + name + "_0" + QString::number(k) + ".png";
        const mw::Status st = mw::writeImage(path.toStdString(), img);
        ASSERT_TRUE(st.isOk()) << st.reason();
    }
}

mw::Image patternImage(int w, int h, bool withAlpha, unsigned seed)
{
    mw::Image img(w, h, withAlpha);
    uint32_t s = seed * 2654435761u + 12345u;
    auto next = [&s] {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t r = next();
            mw::Rgba p{uint8_t(r), uint8_t(r >> 8), uint8_t(r >> 16), 255};
            if (withAlpha) {
                const uint32_t a = (r >> 24) % 8;
                p.a = a == 0 ? 0 : (a == 1 ? uint8_t(next()) : 255);
            }
            img.setPixel(x, y, p);
        }
    return img;
}

void writeText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace mwtest
