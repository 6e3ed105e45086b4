// The user vectors and the fits that turn them onto an axis.

#include <cfenv>
#include <cfloat>
#include <cmath>

#include "engine/BoxNumbers.h"
#include "geometry/AtomGroup.h"
#include "geometry/Fit.h"
#include "geometry/Rotation.h"
#include "geometry/TestSupport.h"
#include "numeric/DecimalText.h"

namespace pivora {
namespace {

// Atoms on the axes; the spare slots 4 to 12 hold leftovers 7.
const AtomTable kAtoms = test::MakeTable({{3, 0, 0}, {0, 3, 0}, {0, 0, 3}}, 7);

TEST(EvaluateVector, AGroupOfAnySizeIsItsCentroidInItsOrder) {
    // A five-membered ring of eighths around (1, 2, 3): every sum is exact,
    // so the centroid is the one rounding of sum / 5, as a double division
    // gives it, and the metal sits at the origin.
    const AtomTable ring = test::MakeTable({{0, 0, 0},
                                            {1.125, 2.5, 3},
                                            {0.75, 1.875, 3},
                                            {1, 2.25, 3.25},
                                            {1.375, 1.5, 2.75},
                                            {0.875, 2, 2.875}});
    VectorDefinition toRing;
    toRing.Tail.Selection = {1};
    toRing.Head.Selection = {2, 3, 4, 5};
    toRing.Head.More = {6};
    const auto v = EvaluateVector(ring, toRing);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(double(v->X), (1.125 + 0.75 + 1 + 1.375 + 0.875) / 5);
    EXPECT_EQ(double(v->Y), (2.5 + 1.875 + 2.25 + 1.5 + 2) / 5);
    EXPECT_EQ(double(v->Z), (3 + 3 + 3.25 + 2.75 + 2.875) / 5);
    // Atoms beyond the four count alone too, and non-atoms among them not.
    VectorDefinition onlyMore;
    onlyMore.Tail.More = {1, 0, 99};
    onlyMore.Head.More = {2};
    const auto w = EvaluateVector(ring, onlyMore);
    ASSERT_TRUE(w.has_value());
    EXPECT_EQ(double(w->X), 1.125);
    onlyMore.Head.More = {-2, 17};
    EXPECT_FALSE(EvaluateVector(ring, onlyMore).has_value());
}

TEST(EvaluateVector, CentroidsOfTheSelections) {
    const struct {
        VectorDefinition vector;
        std::optional<test::Xyz> components;  // empty: not defined
    } kCases[] = {
        {{{{1}}, {{2}}}, test::Xyz{-3, 3, 0}},
        {{{{1, 1, 2, 0}}, {{3}}}, test::Xyz{-2, -1, 3}},  // atom 1 counted twice
        {{{{0, 0, 0, 3}}, {{0, -1, 1}}}, test::Xyz{3, 0, -3}},
        {{{{0, 2}}, {{0, 0, 3, 1}}}, test::Xyz{1.5, -3, 1.5}},
        {{{{2}}, {{2}}}, test::Xyz{0, 0, 0}},
        {{{{1, 2}}, {{0, 0, 0, 0}}}, std::nullopt},
        {{{{4}}, {{1}}}, std::nullopt},       // a spare slot is no atom
        {{{{1}}, {{12, 13}}}, std::nullopt},  // nor the last one, nor beyond
        {{{{-3, 1LL << 40}}, {{2}}}, std::nullopt},
    };
    for (const auto& c : kCases) {
        const auto v = EvaluateVector(kAtoms, c.vector);
        ASSERT_EQ(v.has_value(), c.components.has_value());
        if (v) {
            EXPECT_EQ((test::Xyz{double(v->X), double(v->Y), double(v->Z)}), *c.components);
        }
    }
    EXPECT_FALSE(EvaluateVector(AtomTable{}, {{{1, 2}}, {{0, 1}}}));
    EXPECT_EQ(SelectionLabel(kAtoms, 2), "A2");
    EXPECT_EQ(SelectionLabel(kAtoms, 0), "None");
    for (const long long v : {4, 13, -1}) EXPECT_EQ(SelectionLabel(kAtoms, v), "");
}

// Sums round to a double after every addition, in box order (1 + 2^-53 is 1
// again, 2^-53 + 2^-53 + 1 is not); the difference keeps 64 bits.
TEST(EvaluateVector, Roundings) {
    const double h = std::ldexp(1.0, -53), y = std::ldexp(1.0, -60);
    const AtomTable atoms = test::MakeTable({{1, 1, 0}, {h, 0, 0}, {h, 0, 0}, {0, y, 0}});
    EXPECT_EQ(EvaluateVector(atoms, {{{4}}, {{1, 2, 3}}})->X, double(1.0L / 3));
    EXPECT_EQ(EvaluateVector(atoms, {{{4}}, {{2, 3, 1}}})->X, double((1 + 2 * h) / 3.0L));
    EXPECT_EQ(EvaluateVector(atoms, {{{4}}, {{1}}})->Y, 1 - std::ldexp(1.0L, -60));
    const AtomTable huge = test::MakeTable({{DBL_MAX, 0, 0}, {1, 0, 0}});
    EXPECT_EQ(test::ErrorOf([&] {
                  EvaluateVector(huge, {{{2}}, {{1, 1}}});
              }).Kind(),
              ErrorKind::Overflow);
}

TEST(FitAngleText, AnglesAndFailures) {
    const struct {
        const char *numerator, *denominator, *result;  // the angle or the message
        FitHead head = FitHead::AsFound;
    } kCases[] = {
        {"1", "1", "-45"},
        {"1", "-1", "45"},
        {"-0", "5", "0"},
        {"1E-30", "1", "-5.72957795130823E-29"},
        {"1", "1E-30", "-90"},
        {"2", "-0", "0 による浮動小数点数除算"},
        {"0", "0", "不正な浮動小数点数演算命令"},
        {"1E4000", "1E-4000", "浮動小数点数のオーバーフロー"},
        {"", "", "'' は浮動小数点数ではありません"},
        {"abc", "x", "'abc' は浮動小数点数ではありません"},
        {"1", " 2?", "' 2?' は浮動小数点数ではありません"},
        // The head on the positive side: half a turn more for a negative
        // denominator, within -180 to 180.
        {"1", "1", "-45", FitHead::Positive},
        {"1", "-1", "-135", FitHead::Positive},
        {"-1", "-1", "135", FitHead::Positive},
        {"-0", "-5", "180", FitHead::Positive},
        {"1", "-1E-30", "-90", FitHead::Positive},
        {"2", "-0", "0 による浮動小数点数除算", FitHead::Positive},
        {"0", "0", "不正な浮動小数点数演算命令", FitHead::Positive},
    };
    for (const auto& c : kCases) {
        std::string result;
        try {
            result = FitAngleText(c.numerator, c.denominator, c.head);
        } catch (const Error& e) {
            result = e.Message();
            EXPECT_FALSE(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW));
        }
        EXPECT_EQ(result, c.result) << c.numerator << " / " << c.denominator;
    }
}

// The window's part: the boxes hold the display form of the vector, the fit
// reads two of them and its angle text goes into the rotation.
class FitOnMolecule : public testing::Test {
  protected:
    std::string Box(Axis a) { return FormatDisplay((*EvaluateVector(atoms, vector))[a]); }
    std::string Fit(Axis target, FitHead head = FitHead::AsFound) {
        const FitRule rule = FitRuleFor(target);
        const std::string angle = FitAngleText(Box(rule.numerator), Box(rule.denominator), head);
        Rotate(atoms, rule.turn, ParseDecimal(angle));
        return angle;
    }
    void SetVector(double x, double y, double z) {
        atoms = test::MakeTable({{0.5, -0.25, 1}, {0.5 + x, -0.25 + y, 1 + z}});
    }
    AtomTable atoms;
    VectorDefinition vector{{{1}}, {{2}}};
};

TEST_F(FitOnMolecule, FitXOfTheDiagonals) {
    SetVector(1, 1, 0);
    EXPECT_EQ(Fit(Axis::X), "-45");
    EXPECT_EQ(Box(Axis::X), "1.4142135623731");
    EXPECT_LT(std::fabs(EvaluateVector(atoms, vector)->Y), 1e-15);
    SetVector(-1, 1, 0);
    EXPECT_EQ(Fit(Axis::X), "45");
    EXPECT_EQ(Box(Axis::X), "-1.4142135623731");
    EXPECT_LT(std::fabs(EvaluateVector(atoms, vector)->Y), 1e-15);
    SetVector(2.5, 0, 1);  // already on the axis: a turn by 0
    const auto before = test::Snapshot(atoms);
    EXPECT_EQ(Fit(Axis::X), "0");
    EXPECT_EQ(test::Snapshot(atoms), before);
}

// FitY then FitX lays the vector along X; FitX then FitZ lays it along Z.
TEST_F(FitOnMolecule, TwoFitsLayTheVectorOnAnAxis) {
    const struct {
        Axis first, second;
        Axis along;
    } kOrders[] = {{Axis::Y, Axis::X, Axis::X}, {Axis::X, Axis::Z, Axis::Z}};
    for (const auto& order : kOrders) {
        for (const double sign : {1.0, -1.0}) {
            SetVector(sign * 1.5, -2, 3.25);
            Fit(order.first);
            Fit(order.second);
            const VectorComponents v = *EvaluateVector(atoms, vector);
            for (const Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
                EXPECT_NEAR(std::fabs(v[axis]), axis == order.along ? std::sqrt(16.8125) : 0,
                            1e-14);
            }
        }
    }
}

// Each of the three orders of two positive fits lays a vector of any octant
// along the positive axis; the specified fits leave the sign to the vector.
TEST_F(FitOnMolecule, PositiveFitsLayAVectorOfEveryOctantOnThePositiveAxis) {
    const struct {
        Axis first, second;
        Axis along;
    } kOrders[] = {
        {Axis::Y, Axis::X, Axis::X}, {Axis::X, Axis::Z, Axis::Z}, {Axis::Z, Axis::Y, Axis::Y}};
    for (const auto& order : kOrders) {
        for (int octant = 0; octant < 8; ++octant) {
            SCOPED_TRACE(octant);
            SetVector(octant & 1 ? -1.5 : 1.5, octant & 2 ? -2 : 2, octant & 4 ? -3.25 : 3.25);
            Fit(order.first, FitHead::Positive);
            Fit(order.second, FitHead::Positive);
            const VectorComponents v = *EvaluateVector(atoms, vector);
            for (const Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
                // An angle beyond 100 degrees keeps one decimal fewer in
                // its box than one below.
                EXPECT_NEAR(v[axis], axis == order.along ? std::sqrt(16.8125) : 0, 1e-13);
            }
        }
    }
}

}  // namespace
}  // namespace pivora
