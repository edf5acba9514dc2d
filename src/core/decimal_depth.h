// Depths as a person reads them: station k of increments h lies at k x h as
// decimals multiply, not at their binary product.
#pragma once

namespace darnek {

// The double nearest to `count` x `value` / `divisor` worked out in decimal
// from the shortest text of `value`: 3 x 0.1 is 0.3 (the binary product is
// 0.30000000000000004), 78 x 0.6 in / 12 is 3.9 ft. Within a unit of the
// last place of the binary result, so it stands for the same depth; it is
// what the report's rounding of that depth converges to. `count` >= 0,
// `divisor` >= 1; a `value` that is not finite is returned as the product.
double DecimalDepth(int count, double value, int divisor = 1);

}  // namespace darnek
