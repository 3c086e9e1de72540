#!/usr/bin/python3
"""The deepest stack of the loader's own code, from GCC's call-graph files (-fcallgraph-info=su):
the largest sum of frame sizes along any call path from WinMain. Calls into the platform are
counted as nothing: their stack is the platform's.

usage: stack_depth.py FILE.ci...
"""
import re
import sys

NODE = re.compile(r'node: \{ title: "([^"]+)" label: "([^"]*)"')
EDGE = re.compile(r'edge: \{ sourcename: "([^"]+)" targetname: "([^"]+)"')
SIZE = re.compile(r"(\d+) bytes \((static|dynamic[^)]*)\)")


def main():
    frames, calls = {}, {}
    for path in sys.argv[1:]:
        with open(path) as graph:
            for line in graph:
                node = NODE.search(line)
                if node:
                    size = SIZE.search(node.group(2))
                    if size:
                        frames[node.group(1)] = int(size.group(1))
                edge = EDGE.search(line)
                if edge:
                    calls.setdefault(edge.group(1), set()).add(edge.group(2))

    def deepest(function, seen=()):
        if function in seen:
            raise SystemExit("recursion through " + function)
        below = [deepest(callee, seen + (function,)) for callee in calls.get(function, ())]
        worst = max(below, key=lambda pair: pair[0], default=(0, []))
        return frames.get(function, 0) + worst[0], [function] + worst[1]

    root = next(name for name in frames if name.startswith("WinMain"))
    depth, path = deepest(root)
    own = [name for name in path if name in frames]
    print("%d %s" % (depth, " > ".join("%s (%d)" % (name, frames[name]) for name in own)))


if __name__ == "__main__":
    main()
