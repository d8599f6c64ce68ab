// The 8-bit sharpening block written once over a vector type and compiled twice, as the
// demosaic's runs are: SharpenWide.cpp includes this for AVX2 and SharpenWidest.cpp for
// AVX-512, each under a target pragma with its own lane operations (a traits type S). So
// that nothing else is compiled for those targets with it, it includes nothing; its
// template lives in an unnamed namespace, one per file. Internal to image/.
//
// S gives: Vec (16-bit lanes) and kLanes; Widen (kLanes bytes into lanes), LoadSums and
// StoreSums (column sums), Set (every lane); Add, Sub, MulLow, MulHigh (signed),
// MulHighUnsigned, Min and Max (signed), MinUnsigned; Blur (>> 4), Quarter (signed >> 2),
// Sign (signed >> 15); Pack (two vectors' lanes limited to bytes, in order) and
// StoreBytes (every fourth byte kept when asked).

namespace conv::detail {
namespace {

// The block of SharpenWide.h: samples k0 .. k0 + n - 1 of an output row, 2 kLanes a
// step, the last step overlapping the one before; false for a block under one step.
template <class S>
inline bool SharpenBlock(const uint8_t *r0, const uint8_t *r1, const uint8_t *r2, const uint8_t *r3, uint8_t *out,
                         int32_t k0, int32_t n, int spp, int16_t strength, bool brighten, uint16_t whole,
                         uint16_t fraction, uint16_t *vertical) {
    using V = typename S::Vec;
    constexpr int32_t kLanes = S::kLanes, kStep = 2 * S::kLanes;
    if (n < kStep)
        return false;
    // Column sums of samples k0 - 2 Spp .. k0 + n + Spp - 1.
    const int32_t base = k0 - 2 * spp, count = n + 3 * spp;
    for (int32_t j = 0; j < count; j += kLanes) {
        const uint8_t *const at[4] = {r0 + base, r1 + base, r2 + base, r3 + base};
        const int32_t k = j < count - kLanes ? j : count - kLanes;
        S::StoreSums(vertical + k, S::Add(S::Add(S::Widen(at[0] + k), S::Widen(at[1] + k)),
                                          S::Add(S::Widen(at[2] + k), S::Widen(at[3] + k))));
    }
    const V s = S::Set(strength), tenth = S::Set(26215), top = S::Set(255), zero = S::Set(0);
    const V w = S::Set(static_cast<int16_t>(whole)), f = S::Set(static_cast<int16_t>(fraction));
    for (int32_t m = 0; m < n; m += kStep) {
        const int32_t at = m < n - kStep ? m : n - kStep;
        V value[2];
        for (int h = 0; h < 2; ++h) {
            const uint16_t *v = vertical + at + kLanes * h;
            const V box = S::Add(S::Add(S::LoadSums(v), S::LoadSums(v + spp)),
                                 S::Add(S::LoadSums(v + 2 * spp), S::LoadSums(v + 3 * spp)));
            const V orig = S::Widen(r2 + k0 + at + kLanes * h);
            // (orig - blur) x S / 10, truncated toward 0: the high half of x 26215, shifted
            // down 2, plus 1 for a negative product.
            const V product = S::MulLow(S::Sub(orig, S::Blur(box)), s);
            const V change = S::Sub(S::Quarter(S::MulHigh(product, tenth)), S::Sign(product));
            V x = S::Min(S::Max(S::Add(orig, change), zero), top);
            if (brighten)
                x = S::MinUnsigned(S::Add(S::MulLow(x, w), S::MulHighUnsigned(x, f)), top);
            value[h] = x;
        }
        S::StoreBytes(out + k0 + at, S::Pack(value[0], value[1]), spp == 4);
    }
    return true;
}

} // namespace
} // namespace conv::detail
