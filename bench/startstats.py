"""Statistics for the start-cost figures: the median of pair ratios with a bootstrap interval,
and a test for times that fall into two separate groups.

Pure functions over lists of numbers, so a run's figures follow from its recorded data alone.
"""
import math
import random
import statistics

RESAMPLES = 4000
SEED = 13


def median_interval(ratios, confidence=0.95, resamples=RESAMPLES, seed=SEED):
    """The median of the pair ratios and a percentile-bootstrap interval for it, resampling
    whole pairs. The seed is fixed, so the same ratios always give the same interval."""
    generator = random.Random(seed)
    medians = sorted(statistics.median(generator.choices(ratios, k=len(ratios)))
                     for _ in range(resamples))
    cut = round((1 - confidence) / 2 * (resamples - 1))
    return statistics.median(ratios), medians[cut], medians[resamples - 1 - cut]


def relative_width(median, low, high):
    """How far the interval reaches from the median, on its wider side, as a fraction of it."""
    return max(median - low, high - median) / median


def _interquartile_range(values):
    quartiles = statistics.quantiles(values, n=4, method="inclusive")
    return quartiles[2] - quartiles[0]


def two_groups(values, smallest_share=0.2, separation=3.0):
    """The two groups the values fall into, (lower, upper), or None when they form one.

    The values are cut at every point that leaves at least smallest_share of them (and at least
    three) on each side; they form two groups when, at some cut, the medians of the two sides lie
    further apart than `separation` times the sum of the sides' interquartile ranges. Wall times
    under Wine that land around 32 ms or around 64 ms form two such groups, even with a tail of
    slow starts; a single group with a long tail does not, because the tail is itself spread out.
    A smaller share of outliers does not move a median, so it is not reported.
    """
    ordered = sorted(values)
    least = max(3, math.ceil(smallest_share * len(ordered)))
    best_score, best = separation, None
    for cut in range(least, len(ordered) - least + 1):
        lower, upper = ordered[:cut], ordered[cut:]
        distance = statistics.median(upper) - statistics.median(lower)
        spread = _interquartile_range(lower) + _interquartile_range(upper)
        score = distance / spread if spread else math.inf if distance else 0.0
        if score > best_score:
            best_score, best = score, (lower, upper)
    return best
