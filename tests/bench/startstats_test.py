#!/usr/bin/python3
"""The benchmark's statistics on synthetic data whose answer is known."""
import os
import random
import statistics
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench"))
import startstats  # noqa: E402


def draws(seed, count, draw):
    generator = random.Random(seed)
    return [draw(generator) for _ in range(count)]


def start(generator, slow_share):
    """A wall time in seconds that lands near 32 ms or, with slow_share, near 64 ms."""
    base = 0.064 if generator.random() < slow_share else 0.032
    return base + generator.expovariate(1 / 0.001)


class MedianInterval(unittest.TestCase):
    def test_repeatable_and_collapses_on_equal_ratios(self):
        ratios = draws(1, 60, lambda g: g.gauss(1.1, 0.05))
        self.assertEqual(startstats.median_interval(ratios), startstats.median_interval(ratios))
        self.assertEqual(startstats.median_interval([1.05] * 30), (1.05, 1.05, 1.05))

    def test_covers_the_true_median_about_95_times_in_100(self):
        covered = 0
        for seed in range(100):
            ratios = draws(seed, 60, lambda g: 1.1 * g.lognormvariate(0, 0.08))
            _, low, high = startstats.median_interval(ratios, resamples=1000)
            covered += low <= 1.1 <= high
        self.assertTrue(88 <= covered <= 99, covered)


class TwoGroups(unittest.TestCase):
    def test_cases(self):
        cases = [
            ("starts near 32 ms and 64 ms, half each", 60, lambda g: start(g, 0.5), True),
            ("starts near 32 ms and 64 ms, a third slow", 90, lambda g: start(g, 0.3), True),
            ("ratios of such starts", 60, lambda g: start(g, 0.4) / start(g, 0.4), True),
            ("one group, normal", 60, lambda g: g.gauss(0.032, 0.001), False),
            ("one group with a long tail", 60, lambda g: 0.030 + g.expovariate(1 / 0.004), False),
            ("one group, a tenth slow", 60, lambda g: start(g, 0.1), False),
            ("equal values", 30, lambda g: 0.032, False),
        ]
        for label, count, draw, expected in cases:
            for seed in range(5):
                values = draws(seed, count, draw)
                groups = startstats.two_groups(values)
                self.assertEqual(groups is not None, expected, "%s, seed %d" % (label, seed))
                if groups:
                    self.assertEqual(sorted(groups[0] + groups[1]), sorted(values), label)
                    self.assertLess(max(groups[0]), min(groups[1]), label)
                    self.assertGreater(statistics.median(groups[1]),
                                       1.5 * statistics.median(groups[0]), label)


if __name__ == "__main__":
    unittest.main()
