#include "form_fixture.h"

namespace orvel::fakes {
namespace {

using FormCreateTest = FormFixture;

TEST_F(FormCreateTest, PlaceholderBuilds) {
  Create();
  EXPECT_EQ(Form.Caption(), "Orvel for Windows Networks");
}

}  // namespace
}  // namespace orvel::fakes
