#pragma once
// The benchmarks' mix of memos: strokes of both kinds, text boxes, photos and shapes, at places
// drawn from a fixed seed, so every run and every benchmark measures the same package.
#include <memory>
#include <random>

#include "memo/MemoObject.h"
#include "memo/MemoPackage.h"

inline void add_mixed_memos(memo::MemoPackage& pkg, int count, int width, int height)
{
    std::mt19937 random(3);
    auto point = [&] { return memo::Point{int(random() % width), int(random() % height)}; };
    for (int i = 0; i < count; ++i) {
        const memo::Point a = point();
        switch (i % 5) {
        case 0:
        case 1: {
            auto stroke = std::make_unique<memo::StrokeObject>();
            memo::Point q = a;
            for (int k = 0; k < 20; ++k) {
                stroke->points.push_back(q);
                q.x += int(random() % 21) - 10;
                q.y += int(random() % 21) - 10;
            }
            stroke->width = 3;
            stroke->type = i % 2;
            stroke->colour = memo::rgb(255, 0, 0);
            stroke->border_colour = memo::rgb(0, 0, 255);
            pkg.add(std::move(stroke));
            break;
        }
        case 2: {
            auto text = std::make_unique<memo::TextBoxObject>();
            text->rect = {a.x, a.y, a.x + 120, a.y + 60};
            text->text = "memo\nhttp://www.example.jp/";
            pkg.add(std::move(text));
            break;
        }
        case 3: {
            auto photo = std::make_unique<memo::PhotoObject>();
            photo->image.create(80, 60);
            photo->image.fill(memo::rgb(0, 128, 255), 255);
            photo->rect = {a.x, a.y, a.x + 100, a.y + 75};
            pkg.add(std::move(photo));
            break;
        }
        default: {
            auto shape = std::make_unique<memo::PrimitiveObject>();
            shape->shape = int(random() % 5);
            shape->rect = {a.x, a.y, a.x + 80, a.y + 60};
            pkg.add(std::move(shape));
            break;
        }
        }
    }
}
