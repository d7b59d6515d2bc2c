// The sprite atlas: one top-down structure drawing per rectangle that mission
// structures cut from it. Light falls from the top left; every structure
// stands on its own concrete foundation, which is drawn opaque on the map.
#include <cmath>

#include "art.h"
#include "art_canvas.h"

namespace art {
namespace {

const Colour kBlack{0, 0, 0};
const Colour kSteel{96, 102, 108};
const Colour kDark{36, 38, 42};

struct Sprites {
    Canvas& c;
    PeriodicNoise grain{512, 128, 91};
    PeriodicNoise blotch{512, 32, 92};

    // Concrete foundation filling the sprite's rectangle, with panel seams.
    void pad(int32_t x, int32_t y, int32_t w, int32_t h, Colour base = {146, 144, 136}) {
        for (int32_t j = y; j < y + h; ++j)
            for (int32_t i = x; i < x + w; ++i) {
                const float b = 0.9f + 0.12f * grain.at(i + 0.5f, j + 0.5f) + 0.08f * blotch.at(i + 0.5f, j + 0.5f);
                c.set(i, j, scale(base, b));
            }
        for (int32_t k = 16; k < w; k += 16) c.fillRect(x + k, y, 1, h, kBlack, 0.12f);
        for (int32_t k = 16; k < h; k += 16) c.fillRect(x, y + k, w, 1, kBlack, 0.12f);
        c.frameRect(x, y, w, h, scale(base, 0.55f));
        c.frameRect(x + 1, y + 1, w - 2, h - 2, scale(base, 1.2f), 0.5f);
    }

    void hazard(int32_t x, int32_t y, int32_t w, int32_t h) {
        for (int32_t j = 0; j < h; ++j)
            for (int32_t i = 0; i < w; ++i)
                c.set(x + i, y + j, ((i + j) / 3) % 2 ? Colour{230, 190, 30} : Colour{30, 30, 30});
    }

    void tank(float cx, float cy, float r, Colour body, Colour band) {
        c.fillCircle(cx + 2.5f, cy + 2.5f, r, kBlack, 0.4f);
        c.fillCircle(cx, cy, r, body);
        c.ring(cx, cy, r, 1.5f, scale(body, 0.5f));
        c.ring(cx, cy, r * 0.72f, 2.0f, band);
        c.fillCircle(cx - r * 0.3f, cy - r * 0.3f, r * 0.42f, Colour{255, 255, 255}, 0.35f);
        c.fillCircle(cx, cy, r * 0.22f, scale(body, 0.45f));
    }

    // Rows 0 and 1: a fuel depot of four tanks, one per 32 x 32 quarter, so
    // its top-left quarter on its own is a single tank on its own pad.
    void fuelDepot(int32_t x, int32_t y) {
        for (int32_t q = 0; q < 4; ++q) pad(x + (q % 2) * 32, y + (q / 2) * 32, 32, 32);
        c.line(x + 27, y + 16, x + 37, y + 16, 3, kSteel);
        c.line(x + 27, y + 48, x + 37, y + 48, 3, kSteel);
        c.line(x + 16, y + 27, x + 16, y + 37, 3, kSteel);
        for (int32_t q = 0; q < 4; ++q) {
            tank(x + (q % 2) * 32 + 15.5f, y + (q / 2) * 32 + 15.5f, 11, Colour{214, 212, 204}, Colour{196, 56, 40});
        }
    }

    // Row 2: the command centre, a stepped block with a gilded dome and towers.
    void commandCentre(int32_t x, int32_t y) {
        pad(x, y, 96, 96);
        c.block(x + 10, y + 10, 76, 76, Colour{84, 100, 126}, 4);
        c.block(x + 20, y + 20, 56, 56, Colour{108, 126, 150}, 2);
        for (int32_t k = 0; k < 4; ++k) {
            const int32_t tx = x + (k % 2 ? 76 : 6), ty = y + (k / 2 ? 76 : 6);
            c.block(tx, ty, 14, 14, Colour{66, 76, 92}, 3);
            c.fillCircle(tx + 7, ty + 7, 2.2f, Colour{240, 60, 50});
        }
        c.fillCircle(x + 50.5f, y + 50.5f, 18, kBlack, 0.35f);
        c.fillCircle(x + 48, y + 48, 18, Colour{204, 164, 56});
        c.ring(x + 48, y + 48, 18, 2, Colour{130, 96, 30});
        c.ring(x + 48, y + 48, 11, 1.2f, Colour{160, 124, 40}, 0.8f);
        c.fillCircle(x + 42, y + 42, 7, Colour{255, 240, 180}, 0.55f);
        c.line(x + 48, y + 48, x + 70, y + 26, 1.6f, kDark);
        c.fillCircle(x + 70, y + 26, 2.5f, Colour{240, 240, 240});
        hazard(x + 40, y + 86, 16, 6);
    }

    // Rows 3 and 4: a factory hall with a sawtooth roof and two chimneys.
    void factory(int32_t x, int32_t y) {
        pad(x, y, 96, 64);
        c.block(x + 6, y + 8, 68, 46, Colour{150, 72, 52}, 4);
        for (int32_t k = 0; k < 6; ++k) {
            c.fillRect(x + 9 + k * 11, y + 11, 5, 40, Colour{190, 104, 74});
            c.fillRect(x + 14 + k * 11, y + 11, 1, 40, Colour{70, 30, 22});
            c.fillRect(x + 15 + k * 11, y + 11, 4, 40, Colour{150, 196, 220}, 0.6f);  // roof glazing
        }
        for (int32_t k = 0; k < 2; ++k) {
            const float cx = x + 85, cy = y + 17 + k * 26;
            c.fillCircle(cx + 2, cy + 2, 7, kBlack, 0.4f);
            c.fillCircle(cx, cy, 7, Colour{120, 116, 112});
            c.ring(cx, cy, 7, 1.5f, Colour{70, 66, 64});
            c.fillCircle(cx, cy, 4, Colour{24, 20, 20});
            c.fillCircle(cx - 5, cy - 6, 4, Colour{220, 220, 220}, 0.45f);
        }
        hazard(x + 30, y + 54, 20, 5);
    }

    // Row 5: a power plant, a cooling tower beside a generator hall.
    void powerPlant(int32_t x, int32_t y) {
        pad(x, y, 64, 64);
        c.fillCircle(x + 25, y + 25, 18, kBlack, 0.4f);
        c.fillCircle(x + 22, y + 22, 18, Colour{184, 180, 170});
        c.fillCircle(x + 22, y + 22, 12, Colour{54, 60, 66});
        c.ring(x + 22, y + 22, 18, 1.5f, Colour{110, 106, 100});
        c.fillCircle(x + 19, y + 19, 8, Colour{235, 238, 242}, 0.55f);  // steam
        c.block(x + 36, y + 34, 22, 24, Colour{200, 166, 48}, 3);
        const float bx = x + 47, by = y + 46;  // lightning mark
        c.line(bx + 3, by - 9, bx - 3, by + 1, 2.2f, kDark);
        c.line(bx - 3, by + 1, bx + 3, by - 1, 2.2f, kDark);
        c.line(bx + 3, by - 1, bx - 3, by + 9, 2.2f, kDark);
        c.line(x + 36, y + 40, x + 30, y + 60, 1.5f, kDark);
        c.line(x + 58, y + 40, x + 62, y + 8, 1.5f, kDark);
    }

    // A gabled roof seen from above: the lit half and the shaded half.
    void gable(int32_t x, int32_t y, int32_t w, int32_t h, Colour roof) {
        c.fillRect(x + 3, y + 3, w, h, kBlack, 0.35f);
        c.fillRect(x, y, w, h / 2, scale(roof, 1.2f));
        c.fillRect(x, y + h / 2, w, h - h / 2, scale(roof, 0.8f));
        c.fillRect(x, y + h / 2 - 1, w, 2, scale(roof, 0.55f));
        c.frameRect(x, y, w, h, scale(roof, 0.5f));
    }

    // Rows 6, 7 and 10: barracks, two long huts and a flag.
    void barracks(int32_t x, int32_t y) {
        pad(x, y, 64, 64, Colour{150, 140, 112});
        gable(x + 5, y + 6, 46, 18, Colour{96, 116, 62});
        gable(x + 5, y + 36, 46, 18, Colour{96, 116, 62});
        for (int32_t k = 0; k < 3; ++k) {
            c.fillRect(x + 10 + k * 14, y + 24, 4, 2, kDark);
            c.fillRect(x + 10 + k * 14, y + 54, 4, 2, kDark);
        }
        c.fillCircle(x + 57, y + 30, 2, kDark);
        c.fillRect(x + 57, y + 26, 6, 4, Colour{200, 40, 40});
    }

    // Row 8: a radar station, a white dish on a control hut.
    void radar(int32_t x, int32_t y) {
        pad(x, y, 64, 64);
        c.block(x + 6, y + 40, 28, 18, Colour{102, 104, 116}, 3);
        c.fillRect(x + 10, y + 46, 20, 3, Colour{150, 210, 240});
        c.fillCircle(x + 41, y + 29, 19, kBlack, 0.4f);
        c.fillCircle(x + 38, y + 26, 19, Colour{228, 230, 234});
        c.ring(x + 38, y + 26, 19, 1.5f, Colour{120, 124, 130});
        c.ring(x + 38, y + 26, 13, 1.2f, Colour{176, 180, 188});
        c.ring(x + 38, y + 26, 7, 1.2f, Colour{176, 180, 188});
        for (int32_t k = 0; k < 3; ++k) {
            const float a = 2.0944f * k - 1.2f;
            c.line(x + 38 + 17 * std::cos(a), y + 26 + 17 * std::sin(a), x + 38, y + 26, 1.2f, kDark);
        }
        c.fillCircle(x + 38, y + 26, 2.5f, Colour{200, 40, 40});
    }

    // Row 9: a refinery, columns and a storage tank joined by pipes, with a flare.
    void refinery(int32_t x, int32_t y) {
        pad(x, y, 64, 64);
        c.line(x + 16, y + 16, x + 42, y + 42, 3, kSteel);
        c.line(x + 16, y + 42, x + 42, y + 42, 3, kSteel);
        c.line(x + 16, y + 16, x + 48, y + 12, 2, kSteel);
        tank(x + 42, y + 42, 15, Colour{214, 124, 44}, Colour{240, 232, 220});
        for (int32_t k = 0; k < 2; ++k) {
            const float cy = y + 16 + k * 26;
            c.fillCircle(x + 18.5f, cy + 2.5f, 7, kBlack, 0.45f);
            c.fillCircle(x + 16, cy, 7, Colour{170, 176, 182});
            c.ring(x + 16, cy, 7, 1.5f, Colour{84, 90, 96});
            c.ring(x + 16, cy, 4, 1, Colour{120, 126, 132});
        }
        c.fillCircle(x + 50, y + 12, 4, Colour{60, 60, 60});
        c.fillCircle(x + 50, y + 11, 3, Colour{255, 170, 40});
        c.fillCircle(x + 50, y + 10, 1.6f, Colour{255, 240, 150});
    }

    // Row 11: a landing pad, a ringed circle marked H with edge lights.
    void landingPad(int32_t x, int32_t y) {
        pad(x, y, 96, 96, Colour{96, 98, 102});
        c.fillCircle(x + 48, y + 48, 42, Colour{58, 60, 64});
        c.ring(x + 48, y + 48, 38, 3, Colour{232, 200, 40});
        c.fillRect(x + 32, y + 28, 8, 40, Colour{240, 240, 240});
        c.fillRect(x + 56, y + 28, 8, 40, Colour{240, 240, 240});
        c.fillRect(x + 40, y + 44, 16, 8, Colour{240, 240, 240});
        for (int32_t k = 0; k < 8; ++k) {
            const float a = 0.7854f * k + 0.39f;
            c.fillCircle(x + 48 + 44 * std::cos(a), y + 48 + 44 * std::sin(a), 2.2f, Colour{90, 170, 255});
        }
    }

    // Row 12: a warehouse with a ribbed roof and three containers.
    void warehouse(int32_t x, int32_t y) {
        pad(x, y, 96, 64);
        c.block(x + 6, y + 6, 64, 50, Colour{176, 150, 104}, 4);
        for (int32_t k = 8; k < 68; k += 4) c.fillRect(x + k, y + 8, 1, 46, Colour{110, 90, 60}, 0.6f);
        c.fillRect(x + 7, y + 30, 62, 2, Colour{120, 100, 66});
        const Colour boxes[3] = {{186, 58, 46}, {48, 88, 170}, {60, 140, 70}};
        for (int32_t k = 0; k < 3; ++k) {
            c.block(x + 76, y + 8 + k * 16, 14, 11, boxes[k], 2);
            c.fillRect(x + 79, y + 10 + k * 16, 1, 7, kBlack, 0.3f);
            c.fillRect(x + 84, y + 10 + k * 16, 1, 7, kBlack, 0.3f);
        }
    }

    // Row 13: a vehicle workshop, three bay doors and a vehicle on the apron.
    void workshop(int32_t x, int32_t y) {
        pad(x, y, 96, 64);
        c.block(x + 6, y + 6, 84, 32, Colour{58, 118, 118}, 4);
        for (int32_t k = 0; k < 4; ++k) c.fillRect(x + 14 + k * 20, y + 12, 8, 5, Colour{170, 220, 230});
        for (int32_t k = 0; k < 3; ++k) {
            c.fillRect(x + 12 + k * 26, y + 37, 18, 5, Colour{36, 36, 40});
            c.fillRect(x + 12 + k * 26, y + 39, 18, 1, Colour{90, 90, 96});
        }
        c.block(x + 40, y + 48, 18, 10, Colour{214, 178, 40}, 2);
        c.fillRect(x + 52, y + 50, 4, 6, Colour{120, 160, 200});
    }

    // Row 14: a gun turret.
    void turret(int32_t x, int32_t y) {
        pad(x, y, 32, 32);
        c.fillCircle(x + 17.5f, y + 17.5f, 11, kBlack, 0.4f);
        c.fillCircle(x + 16, y + 16, 11, Colour{84, 92, 86});
        c.ring(x + 16, y + 16, 11, 1.5f, Colour{44, 48, 46});
        c.line(x + 16, y + 16, x + 28, y + 4, 3.2f, Colour{30, 32, 30});
        c.fillCircle(x + 16, y + 16, 6, Colour{118, 128, 120});
        c.fillCircle(x + 14, y + 14, 2.5f, Colour{200, 210, 200}, 0.6f);
    }

    // Row 15: a bunker with a firing slit.
    void bunker(int32_t x, int32_t y) {
        pad(x, y, 32, 32, Colour{120, 116, 100});
        c.block(x + 4, y + 4, 24, 24, Colour{150, 146, 134}, 3);
        c.block(x + 8, y + 8, 16, 16, Colour{170, 166, 152}, 1);
        c.fillRect(x + 8, y + 25, 16, 3, Colour{20, 20, 20});
    }

    // Row 16: a power pylon seen from above, with its cables.
    void pylon(int32_t x, int32_t y) {
        pad(x, y, 32, 32);
        c.line(x + 16, y, x + 16, y + 32, 1, Colour{40, 40, 40}, 0.7f);
        c.line(x + 8, y, x + 8, y + 32, 1, Colour{40, 40, 40}, 0.7f);
        c.line(x + 24, y, x + 24, y + 32, 1, Colour{40, 40, 40}, 0.7f);
        c.frameRect(x + 10, y + 10, 12, 12, Colour{60, 64, 70});
        c.line(x + 10, y + 10, x + 22, y + 22, 1.2f, Colour{60, 64, 70});
        c.line(x + 22, y + 10, x + 10, y + 22, 1.2f, Colour{60, 64, 70});
        c.fillRect(x + 5, y + 15, 22, 2, Colour{70, 74, 80});
        for (int32_t k = 0; k < 3; ++k) c.fillCircle(x + 8 + k * 8, y + 16, 1.8f, Colour{210, 200, 120});
    }

    // Row 17: a field of solar panels with its inverter hut.
    void solarField(int32_t x, int32_t y) {
        pad(x, y, 64, 64, Colour{134, 136, 120});
        for (int32_t r = 0; r < 3; ++r)
            for (int32_t k = 0; k < 2; ++k) {
                const int32_t px = x + 5 + k * 28, py = y + 5 + r * 16;
                c.fillRect(px + 2, py + 2, 24, 12, kBlack, 0.35f);
                c.fillRect(px, py, 24, 12, Colour{28, 46, 104});
                for (int32_t g = 6; g < 24; g += 6) c.fillRect(px + g, py, 1, 12, Colour{90, 124, 196});
                c.fillRect(px, py + 6, 24, 1, Colour{90, 124, 196});
                c.frameRect(px, py, 24, 12, Colour{170, 176, 186});
                c.fillRect(px + 1, py + 1, 8, 3, Colour{255, 255, 255}, 0.25f);
            }
        c.block(x + 44, y + 52, 14, 8, Colour{190, 190, 180}, 2);
    }

    // Row 18: a water tower, its round tank on four legs.
    void waterTower(int32_t x, int32_t y) {
        pad(x, y, 64, 64);
        const float cx = x + 32, cy = y + 32;
        for (int32_t k = 0; k < 4; ++k) {
            const float lx = x + (k % 2 ? 56 : 8), ly = y + (k / 2 ? 56 : 8);
            c.line(cx + 3, cy + 3, lx + 3, ly + 3, 3, kBlack, 0.3f);
            c.line(cx, cy, lx, ly, 3, kSteel);
            c.fillRect(static_cast<int32_t>(lx) - 2, static_cast<int32_t>(ly) - 2, 5, 5, Colour{70, 74, 80});
        }
        c.fillCircle(cx + 4, cy + 4, 18, kBlack, 0.4f);
        c.fillCircle(cx, cy, 18, Colour{110, 168, 210});
        c.ring(cx, cy, 18, 1.8f, Colour{50, 90, 130});
        c.ring(cx, cy, 11, 1.2f, Colour{80, 130, 176});
        c.fillCircle(cx - 6, cy - 6, 7, Colour{255, 255, 255}, 0.35f);
        c.fillCircle(cx, cy, 3, Colour{50, 90, 130});
    }

    // Atlas area no structure uses: dark, cross-hatched.
    void unused() {
        for (int32_t y = 0; y < 512; ++y)
            for (int32_t x = 0; x < 512; ++x)
                c.set(x, y, (x + y) % 16 == 0 || (x - y + 512) % 16 == 0 ? Colour{44, 46, 52} : Colour{26, 28, 32});
    }

    // Draws with the clip set to the sprite's rectangle, so no shadow or
    // stroke spills into a neighbouring sprite.
    template <typename F>
    void at(int32_t x, int32_t y, int32_t w, int32_t h, F draw) {
        c.setClip(x, y, w, h);
        draw(x, y);
        c.clearClip();
    }
};

}  // namespace

void drawSpriteAtlas(Canvas& atlas) {
    Sprites s{atlas};
    s.unused();
    s.at(448, 0, 64, 64, [&](int32_t x, int32_t y) { s.fuelDepot(x, y); });        // rows 0, 1
    s.at(0, 0, 96, 96, [&](int32_t x, int32_t y) { s.commandCentre(x, y); });      // row 2
    s.at(96, 0, 96, 64, [&](int32_t x, int32_t y) { s.factory(x, y); });           // rows 3, 4
    s.at(192, 0, 64, 64, [&](int32_t x, int32_t y) { s.powerPlant(x, y); });       // row 5
    s.at(256, 0, 64, 64, [&](int32_t x, int32_t y) { s.barracks(x, y); });         // rows 6, 7, 10
    s.at(320, 0, 64, 64, [&](int32_t x, int32_t y) { s.radar(x, y); });           // row 8
    s.at(384, 0, 64, 64, [&](int32_t x, int32_t y) { s.refinery(x, y); });        // row 9
    s.at(0, 96, 96, 96, [&](int32_t x, int32_t y) { s.landingPad(x, y); });       // row 11
    s.at(96, 64, 96, 64, [&](int32_t x, int32_t y) { s.warehouse(x, y); });       // row 12
    s.at(192, 64, 96, 64, [&](int32_t x, int32_t y) { s.workshop(x, y); });       // row 13
    s.at(288, 64, 32, 32, [&](int32_t x, int32_t y) { s.turret(x, y); });         // row 14
    s.at(320, 64, 32, 32, [&](int32_t x, int32_t y) { s.bunker(x, y); });         // row 15
    s.at(352, 64, 32, 32, [&](int32_t x, int32_t y) { s.pylon(x, y); });          // row 16
    s.at(384, 64, 64, 64, [&](int32_t x, int32_t y) { s.solarField(x, y); });     // row 17
    s.at(448, 64, 64, 64, [&](int32_t x, int32_t y) { s.waterTower(x, y); });     // row 18
}

}  // namespace art
