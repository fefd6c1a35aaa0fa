#!/bin/sh
# Runs a test binary whole in three shuffled orders (seeds N, N+1, N+2) and
# says which, so that a failed order can be replayed with
# --gtest_shuffle --gtest_random_seed=N.
#   shuffled.sh BINARY
seed=$(od -An -N2 -tu2 /dev/urandom | tr -d ' ')
seed=$((seed % 99997 + 1))
echo "$(basename "$1"), shuffled with seeds $seed to $((seed + 2))"
exec "$1" --gtest_shuffle --gtest_random_seed="$seed" --gtest_repeat=3 --gtest_brief=1
